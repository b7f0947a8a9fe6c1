"""One copy per user, and the command line around it."""

import time

from conftest import wait_until


def test_two_launches_at_once_leave_exactly_one_running(session):
    first, second = session.launch(), session.launch()
    ended = wait_until(lambda: [run for run in (first, second) if not run.running()],
                       what="one of the two copies to step aside")
    assert len(ended) == 1
    loser = ended[0]
    winner = second if loser is first else first
    assert loser.wait() == 0
    assert loser.stdout == "" and loser.stderr == ""

    session.tray_menu()
    time.sleep(1)
    assert winner.running()
    assert winner.stop() == 0


def test_a_later_launch_steps_aside_silently(session):
    first = session.launch()
    session.tray_menu()
    second = session.launch()
    assert second.wait() == 0
    assert second.stdout == "" and second.stderr == ""
    assert first.running()
    assert len(session.tray_items()) == 1


def test_help_and_version_answer_even_while_a_copy_runs(session):
    running = session.launch()
    session.tray_menu()

    help_run = session.launch("--help")
    assert help_run.wait() == 0
    assert "--break-now" in help_run.stdout and "--version" in help_run.stdout
    assert help_run.stderr == ""

    version_run = session.launch("--version")
    assert version_run.wait() == 0
    assert version_run.stdout.startswith("lumio ")
    assert version_run.stderr == ""

    assert running.running()


def test_unknown_option_is_warned_about_once_and_ignored(session):
    run = session.launch("--bogus")
    menu = session.tray_menu()
    assert len(menu.entries()) == 16
    assert run.running()
    lines = run.stderr.splitlines()
    assert len(lines) == 1, lines
    assert "--bogus" in lines[0]


def test_sigterm_quits_cleanly_and_frees_the_lock(session):
    run = session.launch()
    session.tray_menu()
    assert run.stop() == 0
    assert run.stderr == ""

    again = session.launch()
    session.tray_menu()
    time.sleep(0.5)
    assert again.running()


def test_an_unusable_runtime_folder_does_not_keep_lumio_from_starting(session):
    not_a_folder = session.root / "runtime-file"
    not_a_folder.write_text("")
    session.env["XDG_RUNTIME_DIR"] = str(not_a_folder)
    run = session.launch()
    assert len(session.tray_menu().entries()) == 16
    assert run.running()
    assert run.stop() == 0
