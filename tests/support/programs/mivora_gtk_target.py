#!/usr/bin/python3
# A GTK stand-in for "another application", speaking the same lines as mivora_target: "ready" once its field
# has the focus, "press:<key>" and "release:<key>" for each key the field receives, and "text:<text>" on
# every change of its text (a text view's line breaks are written as "\n"). GTK behaves where Qt does not:
# it takes any keyboard grab as a loss of focus, marks only its windows "showing" (GTK 4), and its input
# method module commits an open composition when the keyboard is taken from it.
#
#   --gtk 3|4     the toolkit version (default 3)
#   --textview    a multi-line text view instead of a one-line entry
#   --password    an entry that hides what is typed (a password field)
#   --text T      start with the percent-encoded text T, the caret after it
#   --busy        keep the main loop busy 400 of every 500 ms (a slow application)
#   --title T     the window's title (default "mivora_gtk_target")
#   --nested N    the field sits inside N boxes, as deep in its window as in a real application's layout
#   --beside N    N buttons share the window with the field, as many widgets as in a real editor's window
#   --form        a form: another entry comes before the field and has the focus first ("ready" then says
#                 it has), Tab goes on to the field; the other entry's text changes as "first:<text>"
import argparse
import sys
import time
import urllib.parse

import gi

parser = argparse.ArgumentParser()
parser.add_argument("--gtk", default="3", choices=["3", "4"])
parser.add_argument("--textview", action="store_true")
parser.add_argument("--password", action="store_true")
parser.add_argument("--text", default="")
parser.add_argument("--busy", action="store_true")
parser.add_argument("--title", default="mivora_gtk_target")
parser.add_argument("--nested", type=int, default=0)
parser.add_argument("--beside", type=int, default=0)
parser.add_argument("--form", action="store_true")
args = parser.parse_args()

gi.require_version("Gtk", args.gtk + ".0")
if args.gtk == "3":
    gi.require_version("Gdk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

GTK4 = args.gtk == "4"


def say(line):
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


def key_name(keyval):
    from gi.repository import Gdk

    return Gdk.keyval_name(keyval) or str(keyval)


def make_field():
    if args.textview:
        field = Gtk.TextView()
        buffer = field.get_buffer()
        buffer.set_text(urllib.parse.unquote(args.text))
        buffer.place_cursor(buffer.get_end_iter())

        def changed(buf):
            text = buf.get_text(buf.get_start_iter(), buf.get_end_iter(), True)
            say("text:" + text.replace("\n", "\\n"))

        buffer.connect("changed", changed)
        return field
    field = Gtk.Entry()
    if args.password:
        field.set_visibility(False)
    field.set_text(urllib.parse.unquote(args.text))
    field.connect("changed", lambda entry: say("text:" + entry.get_text()))
    return field


def watch_keys(field):
    def pressed(keyval):
        say("press:" + key_name(keyval))
        return False

    def released(keyval):
        say("release:" + key_name(keyval))
        return False

    if GTK4:
        controller = Gtk.EventControllerKey()
        controller.set_propagation_phase(Gtk.PropagationPhase.CAPTURE)
        controller.connect("key-pressed", lambda c, keyval, code, state: pressed(keyval))
        controller.connect("key-released", lambda c, keyval, code, state: released(keyval))
        field.add_controller(controller)
    else:
        field.connect("key-press-event", lambda w, event: pressed(event.keyval))
        field.connect("key-release-event", lambda w, event: released(event.keyval))


def busy():
    # Holds the main loop 400 ms, then lets it run 100 ms.
    deadline = time.monotonic() + 0.4
    while time.monotonic() < deadline:
        pass
    return True


def nest(widget):
    if args.beside:
        # In groups of 200 ahead of the field, as a real window's panels are: looked through before it. They
        # scroll in a small pane, so the window stays as quick to draw as a real one.
        groups = Gtk.Box(orientation=Gtk.Orientation.HORIZONTAL)
        for first in range(0, args.beside, 200):
            group = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
            for i in range(first, min(first + 200, args.beside)):
                button = Gtk.Button(label=str(i))
                button.set_can_focus(False) if not GTK4 else button.set_focusable(False)
                group.append(button) if GTK4 else group.add(button)
            groups.append(group) if GTK4 else groups.add(group)
        pane = Gtk.ScrolledWindow()
        pane.set_size_request(400, 60)
        pane.set_child(groups) if GTK4 else pane.add(groups)
        window_box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
        holder = Gtk.Box()
        for child in (pane, holder):
            window_box.append(child) if GTK4 else window_box.add(child)
        holder.append(widget) if GTK4 else holder.add(widget)
        widget = window_box
    for _ in range(args.nested):
        box = Gtk.Box()
        if GTK4:
            box.append(widget)
        else:
            box.add(widget)
        widget = box
    return widget


def form(field):
    # The entry before the field in a form, and the box holding both.
    first = Gtk.Entry()
    first.connect("changed", lambda entry: say("first:" + entry.get_text()))
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
    for child in (first, nest(field)):
        box.append(child) if GTK4 else box.add(child)
    return first, box


def main():
    field = make_field()
    watch_keys(field)
    ready = {"said": False}
    content = nest(field)
    focused_first = field
    if args.form:
        focused_first, content = form(field)

    def has_focus():
        if not GTK4:
            return focused_first.has_focus()
        # A GTK 4 entry keeps the focus in a text widget inside it.
        inner = window.get_focus()
        return (
            window.is_active()
            and inner is not None
            and (inner is focused_first or inner.is_ancestor(focused_first))
        )

    def focused(*_):
        if not ready["said"] and has_focus():
            ready["said"] = True
            say("ready")
            if args.busy:
                GLib.timeout_add(100, busy)

    window = Gtk.Window(title=args.title)
    window.set_default_size(400, 120 if args.textview else 40)
    if GTK4:
        window.set_child(content)
        window.connect("close-request", lambda w: loop.quit() or False)
        focus = Gtk.EventControllerFocus()
        focus.connect("enter", focused)
        focused_first.add_controller(focus)
        window.present()
        focused_first.grab_focus()
        GLib.timeout_add(50, lambda: (focused(), not ready["said"])[1])
        loop = GLib.MainLoop()
        loop.run()
    else:
        window.add(content)
        window.connect("destroy", Gtk.main_quit)
        focused_first.connect("focus-in-event", lambda *a: focused() or False)
        window.show_all()
        window.present()
        focused_first.grab_focus()
        GLib.timeout_add(50, lambda: (focused(), not ready["said"])[1])
        Gtk.main()


main()
