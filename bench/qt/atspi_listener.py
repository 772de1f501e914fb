#!/usr/bin/python3
"""Assistive technology for measuring what it costs the app: listens to
every event on the accessibility bus, as a screen reader does, reads the
name of each event's source, says "listening" once it is registered and how
many events it heard when it is stopped (SIGTERM or SIGINT). Needs Debian's python3-pyatspi, run with
/usr/bin/python3 inside the D-Bus session of the app."""
import signal

import pyatspi

heard = 0


def on_event(event):
    global heard
    heard += 1
    try:
        event.source.name  # a screen reader reads what changed
    except Exception:
        pass  # gone by now


def stop(*_):
    pyatspi.Registry.stop()


pyatspi.Registry.registerEventListener(on_event, "object", "focus", "window")
print("listening", flush=True)
signal.signal(signal.SIGTERM, stop)
signal.signal(signal.SIGINT, stop)
pyatspi.Registry.start()
print("events heard: %d" % heard, flush=True)
