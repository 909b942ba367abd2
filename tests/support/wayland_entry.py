#!/usr/bin/python3
"""A Wayland-native window with one text field (GTK 3): a program the user types into. Its title
is "Wayland entry". Prints one line per event, flushed:
  ready               the window is shown
  active 1|0          the compositor made the window the active one, or took that away
  text: TEXT          the field's text changed
Exits with 3 when GTK did not pick the Wayland backend."""
import os
import sys

os.environ['GDK_BACKEND'] = 'wayland'
os.environ.setdefault('NO_AT_BRIDGE', '1')
import gi  # noqa: E402

gi.require_version('Gdk', '3.0')
gi.require_version('Gtk', '3.0')
from gi.repository import Gdk, GLib, Gtk  # noqa: E402


def report(line):
    print(line, flush=True)


GLib.set_prgname('nabbit-test-entry')  # the window's app_id
if not Gtk.init_check(sys.argv)[0]:
    report('no display')
    sys.exit(2)
if 'Wayland' not in type(Gdk.Display.get_default()).__name__:
    sys.exit(3)
window = Gtk.Window(title='Wayland entry')
window.set_default_size(400, 60)
field = Gtk.Entry()
window.add(field)
field.connect('changed', lambda f: report('text: ' + f.get_text()))
window.connect('notify::is-active', lambda w, _: report('active %d' % w.is_active()))
window.connect('destroy', Gtk.main_quit)
window.show_all()
field.grab_focus()
GLib.idle_add(lambda: report('ready') or False)
Gtk.main()
