#!/usr/bin/python3
"""Owns org.a11y.Bus on a session bus of its own and hands out the X display's accessibility bus, so that a program
on a second session bus (another computer's desktop in a test) is read by the same screen reader as the first.

    a11y_bus_relay.py     (DBUS_SESSION_BUS_ADDRESS names the bus; prints "ready" once the name is owned)
"""
import subprocess
import sys

from gi.repository import Gio, GLib

XML = """
<node>
  <interface name="org.a11y.Bus"><method name="GetAddress"><arg type="s" direction="out"/></method></interface>
  <interface name="org.a11y.Status">
    <property name="IsEnabled" type="b" access="read"/>
    <property name="ScreenReaderEnabled" type="b" access="read"/>
  </interface>
</node>"""


def display_bus():
    out = subprocess.run(["xprop", "-root", "AT_SPI_BUS"], capture_output=True, text=True).stdout
    return out.split("=", 1)[1].strip().strip('"') if "=" in out else ""


def main():
    address = display_bus()
    if not address:
        sys.exit("the X display names no accessibility bus")
    node = Gio.DBusNodeInfo.new_for_xml(XML)
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def call(connection, sender, path, interface, method, params, invocation):
        invocation.return_value(GLib.Variant("(s)", (address,)))

    def get(connection, sender, path, interface, name):
        return GLib.Variant("b", True)

    for interface in node.interfaces:
        bus.register_object("/org/a11y/bus", interface, call, get, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, "org.a11y.Bus", Gio.BusNameOwnerFlags.NONE,
                                   lambda *a: print("ready", flush=True), lambda *a: loop.quit())
    loop.run()


main()
