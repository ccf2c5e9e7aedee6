# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quorvella authors
"""What the tests' AT-SPI readers share: the program's application object on the bus."""
import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def find_app(pid):
    """The application that process `pid` put on the AT-SPI bus, or None while it has none."""
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app and app.get_process_id() == pid:
                return app
        except GLib.Error:
            pass
    return None
