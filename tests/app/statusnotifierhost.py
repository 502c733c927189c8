#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""A StatusNotifier host as today's Linux trays are one, for the tray tests.

Owns org.kde.StatusNotifierWatcher on the session bus, says a host is there and
lets the test list, click and open the menus of the items that register, through
org.quillon.TestHost, as a tray does.
"""
import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"
PROPERTIES = "org.freedesktop.DBus.Properties"
HOST = "org.quillon.TestHost"


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus = bus
        self.items = []

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names its bus name, or only its object path on the sender.
        name, path = (sender, service) if service.startswith("/") else (service, "/StatusNotifierItem")
        self.items.append(name + path)
        self.StatusNotifierItemRegistered(name + path)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s", path_keyword="object_path",
                         connection_keyword="connection")
    def Introspect(self, object_path, connection):
        # Qt reads the properties only when the introspection data lists them.
        xml = super().Introspect(object_path, connection)
        return xml.replace(
            '<interface name="%s">' % WATCHER,
            '<interface name="%s">'
            '<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>'
            '<property name="ProtocolVersion" type="i" access="read"/>'
            '<property name="RegisteredStatusNotifierItems" type="as" access="read"/>' % WATCHER)

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
        }

    def proxy(self, item):
        name, _, path = item.partition("/")
        return self.bus.get_object(name, "/" + path)

    @dbus.service.method(HOST, out_signature="as")
    def Items(self):
        return dbus.Array(self.items, signature="s")

    @dbus.service.method(HOST, in_signature="s")
    def Click(self, item):
        self.proxy(item).Activate(dbus.Int32(0), dbus.Int32(0), dbus_interface=ITEM)

    def entries(self, item):
        path = self.proxy(item).Get(ITEM, "Menu", dbus_interface=PROPERTIES)
        menu = self.bus.get_object(item.partition("/")[0], path)
        _, layout = menu.GetLayout(dbus.Int32(0), dbus.Int32(-1), dbus.Array([], signature="s"), dbus_interface=MENU)
        # Mnemonics come as underscores ("E_xit"); the labels as a user reads them.
        return menu, [(int(child[0]), str(child[1].get("label", "")).replace("_", "")) for child in layout[2]]

    @dbus.service.method(HOST, in_signature="s", out_signature="as")
    def MenuLabels(self, item):
        return dbus.Array([label for _, label in self.entries(item)[1] if label], signature="s")

    @dbus.service.method(HOST, in_signature="ss")
    def MenuClick(self, item, label):
        menu, entries = self.entries(item)
        for entry_id, entry_label in entries:
            if entry_label == label:
                menu.Event(dbus.Int32(entry_id), "clicked", dbus.Int32(0), dbus.UInt32(0), dbus_interface=MENU)
                return
        raise dbus.exceptions.DBusException("no menu entry " + label)


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus)
    # The test waits for this name; the watcher's methods are in place by then.
    name = dbus.service.BusName(WATCHER, bus)
    GLib.MainLoop().run()
    del name, watcher


if __name__ == "__main__":
    main()
