"""A package upgrade under the running program: the installed lumio, its helper and
page are replaced by a build that speaks the next version of the break channel."""

import shutil
from pathlib import Path

from support.desktop import LUMIO_BIN, wait_until
from test_break import shown

BUILT = Path(LUMIO_BIN).parent
NEXT = BUILT.parent / "tests"


def install(folder, programs):
    """Puts each file in place as a package manager does: written aside, renamed over."""
    for name, source in programs.items():
        staged = folder / f".{name}.new"
        shutil.copy2(source, staged)
        staged.replace(folder / name)
    resources = folder / "resources"
    resources.mkdir(exist_ok=True)
    for source in (BUILT / "resources").iterdir():
        staged = resources / f".{source.name}.new"
        shutil.copy2(source, staged)
        staged.replace(resources / source.name)


def test_the_next_break_comes_from_the_updated_program(desktop, tmp_path):
    folder = tmp_path / "bin"
    folder.mkdir()
    install(folder, {"lumio": LUMIO_BIN, "lumio-break": BUILT / "lumio-break"})
    desktop.write_settings(welcomed=True, intervalMin=1)
    # A minute in six seconds: the helper starts two seconds before the break.
    run = desktop.launch(program=str(folder / "lumio"), env={"LUMIO_TIME_SCALE": "10"})
    install(folder, {"lumio": NEXT / "lumio-next", "lumio-break": NEXT / "lumio-break-next"})
    wait_until(lambda: shown(desktop), 30, "the break, shown by the updated program")
    assert run.running(), "the same process, now the updated program"
    assert desktop.settings().get("stat.shown") == 1
    said = [line for line in run.log.read_text().splitlines() if "version" in line]
    assert said == ["lumio: the break helper speaks version 2 of the break channel and this "
                    "lumio version 1 (Lumio was updated while it ran)"]
    assert run.stop() == 0
