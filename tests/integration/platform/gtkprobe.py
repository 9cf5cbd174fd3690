#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A small real GTK 3 window for the desktop contract tests, the twin of the Qt probe: a button,
# a named field, a check box, a label that reacts only to the mouse and a Ctrl+Shift+T
# shortcut. It reports on standard output, one line per event, what happened to it.
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gdk, Gtk  # noqa: E402


def report(line):
    print(line, flush=True)


GLib.set_prgname("korvane-gtk-probe")
window = Gtk.Window(title="Korvane GTK Probe")
window.connect("destroy", Gtk.main_quit)
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6, margin=12)
window.add(box)

save = Gtk.Button(label="Save")
save.connect("clicked", lambda _: report("clicked Save"))
box.pack_start(save, False, False, 0)

field = Gtk.Entry(placeholder_text="File name")
field.get_accessible().set_name("File name")
field.connect("changed", lambda entry: report("text " + entry.get_text()))
field.connect("focus-in-event", lambda *_: report("focused fileName") or False)
box.pack_start(field, False, False, 0)

overwrite = Gtk.CheckButton(label="Overwrite")
overwrite.connect(
    "toggled", lambda button: report("toggled Overwrite " + ("on" if button.get_active() else "off"))
)
box.pack_start(overwrite, False, False, 0)

# Only a real click reaches it: a label offers no action to press.
terms = Gtk.EventBox()
terms.add(Gtk.Label(label="Terms and conditions"))
terms.connect("button-press-event", lambda *_: report("label clicked") or False)
box.pack_start(terms, False, False, 0)

shortcuts = Gtk.AccelGroup()
shortcuts.connect(
    Gdk.KEY_t,
    Gdk.ModifierType.CONTROL_MASK | Gdk.ModifierType.SHIFT_MASK,
    0,
    lambda *_: report("shortcut ctrl+shift+t") or True,
)
window.add_accel_group(shortcuts)

window.show_all()
report("ready")
sys.exit(Gtk.main())
