#pragma once

#include <QString>
#include <QVariantList>

#include <cstdint>
#include <optional>

namespace lumio {

// Calls a method on the session bus and waits at most a fifth of a second
// for its reply of one unsigned number: asked on the main thread, a hung
// service must not freeze the UI. Never starts the service. nullopt on an
// error, a timeout or another reply.
std::optional<std::uint64_t> callForNumber(const QString& service, const QString& path,
                                           const QString& interface, const QString& method,
                                           const QVariantList& arguments = {});

} // namespace lumio
