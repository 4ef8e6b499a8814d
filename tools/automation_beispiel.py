#!/usr/bin/python3
"""Drives a running Quarn over the session bus: connects to a station, sends a line, waits for a text,
disconnects.

    /usr/bin/python3 tools/automation_beispiel.py DB0ECH "Hallo Echo" "Hallo Echo"

Every call of one program must go over one bus connection: Quarn drops a client's Application, its
queues and its objects as soon as the client leaves the bus.
"""
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

# Connect, WaitForText and ReceiveText answer only once the link is up or the text has come.
LANG = 600_000

bus = Gio.bus_get_sync(Gio.BusType.SESSION)


def call(path, interface, method, args=None, reply=None, timeout_ms=-1):
    result = bus.call_sync("org.quarn.Quarn", path, "org.quarn.Quarn." + interface, method, args,
                           GLib.VariantType(reply) if reply else None, Gio.DBusCallFlags.NONE,
                           timeout_ms, None)
    return result.unpack() if result else None


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    ziel, zeile, warten = sys.argv[1:]
    try:
        app, = call("/org/quarn/Quarn", "Factory", "CreateApplication", reply="(o)")
        conn, = call(app, "Application", "Connect", GLib.Variant("(s)", (ziel,)), "(o)", LANG)
        call(conn, "Connection", "SendTextLine", GLib.Variant("(s)", (zeile,)))
        call(conn, "Connection", "WaitForText", GLib.Variant("(s)", (warten,)), timeout_ms=LANG)
        print(f"{ziel}: \"{warten}\" angekommen")
        call(conn, "Connection", "Disconnect")
    except GLib.Error as error:
        # org.quarn.Quarn.Error.Failed carries Quarn's own text ("Busy", "No MyCall", ...).
        sys.exit(error.message)


if __name__ == "__main__":
    main()
