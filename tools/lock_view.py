"""What Corvel's lock looks like from outside, through a wine_desktop Session: where its panel and
the key state line below it lie, when the lock is in force, and whether its message and that line
show. Shared by its tests and the demo."""
from wine_desktop import wait_for

TITLE = "Corvel"
CLASS = "CorvelMain"
DIFFERS = "Password differs!!"
CAPS_LOCK_ON = "Caps Lock がオンです"
# The panel's size in pixels at 15 twips per pixel: 3495 x 300 twips.
PANEL = (233, 20)
# Where the message's line is printed: the top-left corner.
MESSAGE = (0, 0, 120, 14)


def panel_at(width, height):
    """The panel's rectangle on a screen of width x height: its corner at the centre pixel."""
    left, top = width // 2, height // 2
    return (left, top, left + PANEL[0], top + PANEL[1])


def panel(session):
    return panel_at(session.width, session.height)


def key_state_line(session):
    """Where the key state line is drawn: 360 twips below the panel's top, 240 high, as wide."""
    left, top, right, _ = panel(session)
    return (left, top + 24, right, top + 40)


def lock_window(session):
    """The lock window's WindowInfo once it is maximized over the whole desktop and topmost, else
    None. A watcher starting beneath the lock takes the lock out of the topmost windows and back,
    so that Wine draws the lock on top again: a reading in those 10-20 ms is None, and a wait for
    the lock polls past it."""
    info = session.window(TITLE, CLASS)
    # Wine may show the maximized flag before the maximized rectangle.
    full = (0, 0, session.width, session.height)
    return info if info and info.maximized and info.rect == full and info.topmost else None


def wait_locked(session):
    """Waits for the lock window in force and, as the pointer is moved within the panel and then
    to the screen's top-left corner, for the pointer confined and held at the panel's corner.
    (Wine's virtual desktop may drop the confinement of a window that has just become active;
    the lock sets it again when the pointer moves.) Returns the lock window's WindowInfo."""
    info = wait_for(lambda: lock_window(session), 30, "the lock window maximized and topmost")
    left, top, right, bottom = panel(session)
    session.move_pointer((left + right) // 2, (top + bottom) // 2)
    session.move_pointer(0, 0)
    wait_for(lambda: session.clip() == panel(session), 10, "the pointer confined")
    wait_for(lambda: session.cursor() == (left, top), 10, "the pointer held")
    return info


def box_text(session):
    """The text in the lock's entry box."""
    return session.control_text(TITLE, "Edit", CLASS)


def message_shown(session):
    """A screenshot showing the message's line at the top-left, or None."""
    shot = session.screenshot()
    return shot if shot.count_white(*MESSAGE) > 30 else None


def key_state_lit(session):
    """How many pixels of the key state line are lit."""
    return session.screenshot().count_white(*key_state_line(session))
