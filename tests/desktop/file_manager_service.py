#!/usr/bin/python3
"""A file manager's org.freedesktop.FileManager1 interface on the session
bus that only writes down what it is asked to show.

    file_manager_service.py RECORD

Each ShowItems call appends its addresses to RECORD, one a line. Prints
"ready" once it owns its name, and serves until it is ended.
"""
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

INTERFACE = """
<node>
  <interface name="org.freedesktop.FileManager1">
    <method name="ShowItems">
      <arg type="as" name="uris" direction="in"/>
      <arg type="s" name="startupId" direction="in"/>
    </method>
  </interface>
</node>
"""


def called(connection, sender, path, interface, method, parameters, invocation):
    uris, _ = parameters.unpack()
    with open(sys.argv[1], "a") as record:
        record.writelines(uri + "\n" for uri in uris)
    invocation.return_value(None)


def acquired(connection, name):
    print("ready", flush=True)


bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
bus.register_object("/org/freedesktop/FileManager1", Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0], called)
Gio.bus_own_name_on_connection(bus, "org.freedesktop.FileManager1", Gio.BusNameOwnerFlags.NONE, acquired, None)
GLib.MainLoop().run()
