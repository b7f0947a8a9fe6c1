#pragma once
// The fakes moved to tests/support; this name stays until every test includes the new one.
#include "support/FakeDesktop.h"
