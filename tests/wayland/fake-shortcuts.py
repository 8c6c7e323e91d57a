#!/usr/bin/python3
# A GlobalShortcuts portal backend for tests: it binds whatever a client
# asks for, and activates a shortcut when told so through Activate(id).
# Bound() says what the last client asked for: "id=trigger" lines.
import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

IMPL = "org.freedesktop.impl.portal.GlobalShortcuts"
TEST = "org.valdo_software.VireoscapeTest"
PATH = "/org/freedesktop/portal/desktop"


class Session(dbus.service.Object):
    def __init__(self, bus, path, owner):
        super().__init__(bus, path)
        self.owner = owner

    @dbus.service.method("org.freedesktop.impl.portal.Session")
    def Close(self):
        self.owner.sessions.discard(self._object_path)
        self.remove_from_connection()


class Backend(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.bus = bus
        self.sessions = set()
        self.bound = {}

    @dbus.service.method(IMPL, in_signature="oosa{sv}", out_signature="ua{sv}")
    def CreateSession(self, handle, session_handle, app_id, options):
        Session(self.bus, session_handle, self)
        self.sessions.add(str(session_handle))
        return 0, {"session_handle": session_handle}

    @dbus.service.method(IMPL, in_signature="ooa(sa{sv})sa{sv}", out_signature="ua{sv}")
    def BindShortcuts(self, handle, session_handle, shortcuts, parent_window, options):
        self.bound = {str(i): str(o.get("preferred_trigger", "")) for i, o in shortcuts}
        result = [(i, {"description": o.get("description", ""), "trigger_description":
                       o.get("preferred_trigger", "")}) for i, o in shortcuts]
        return 0, {"shortcuts": dbus.Array(result, signature="(sa{sv})")}

    @dbus.service.method(IMPL, in_signature="oo", out_signature="ua{sv}")
    def ListShortcuts(self, handle, session_handle):
        result = [(i, {"trigger_description": t}) for i, t in self.bound.items()]
        return 0, {"shortcuts": dbus.Array(result, signature="(sa{sv})")}

    @dbus.service.signal(IMPL, signature="osta{sv}")
    def Activated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(IMPL, signature="osta{sv}")
    def Deactivated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.method(TEST, in_signature="s", out_signature="u")
    def Activate(self, shortcut_id):
        for s in list(self.sessions):
            self.Activated(dbus.ObjectPath(s), shortcut_id, dbus.UInt64(0), dbus.Dictionary({}, signature="sv"))
            self.Deactivated(dbus.ObjectPath(s), shortcut_id, dbus.UInt64(0), dbus.Dictionary({}, signature="sv"))
        return len(self.sessions)

    @dbus.service.method(TEST, out_signature="s")
    def Bound(self):
        return "".join("%s=%s\n" % kv for kv in sorted(self.bound.items()))

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return dbus.UInt32(1)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"version": dbus.UInt32(1)}


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
backend = Backend(bus)
name = dbus.service.BusName("org.freedesktop.impl.portal.desktop.vstest", bus)
GLib.MainLoop().run()
