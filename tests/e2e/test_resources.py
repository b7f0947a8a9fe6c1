"""Where the program finds its images, built or installed."""

import shutil
from pathlib import Path

import conftest


def icon_pixmaps(session, menu):
    return session.bus.property(menu.item_service, menu.item_path, "org.kde.StatusNotifierItem",
                                "IconPixmap")


def copy_program(root, with_share):
    built = Path(conftest.LUMIO_BIN).resolve()
    program = root / "prefix" / "bin" / "lumio"
    program.parent.mkdir(parents=True)
    shutil.copy2(built, program)
    if with_share:
        shutil.copytree(built.parent / "resources", root / "prefix" / "share" / "lumio")
    return program


def test_a_built_program_uses_the_resources_beside_it(session):
    run = session.launch()
    menu = session.tray_menu()
    sizes = sorted(width for width, _height, _data in icon_pixmaps(session, menu))
    assert {16, 22, 24, 32, 48} <= set(sizes)
    assert run.stop() == 0


def test_an_installed_program_uses_the_share_folder(session, tmp_path, monkeypatch):
    monkeypatch.setattr(conftest, "LUMIO_BIN", str(copy_program(tmp_path, with_share=True)))
    run = session.launch()
    menu = session.tray_menu()
    assert icon_pixmaps(session, menu)
    assert run.stop() == 0
    assert run.stderr == ""


def test_missing_resources_cost_the_icon_but_nothing_else(session, tmp_path, monkeypatch):
    monkeypatch.setattr(conftest, "LUMIO_BIN", str(copy_program(tmp_path, with_share=False)))
    run = session.launch()
    menu = session.tray_menu()
    assert not icon_pixmaps(session, menu)
    assert len(menu.entries()) == 16
    assert run.stop() == 0
