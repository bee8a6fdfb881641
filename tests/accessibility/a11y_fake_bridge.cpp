// a11y-fake-bridge [--toolkit NAME] [--refuse-getall] [--getall-without-attributes]
//                  [--getall-without-childcount] [--silent ELEMENT]
// An application on the accessibility bus whose bridge answers AT-SPI calls
// about a small fixed tree, with the ways real bridges differ: its toolkit's
// name (one named "Qt" aborts on Properties.GetAll, as Qt's bridge crashes),
// GetAll refused, or given without the object attributes or the count of
// children; and an element (the last part of its path) about which nothing is
// ever answered. Prints "ready" once the registry lists it.

#include "accessibility/atspi_bus.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace accessibility::atspi;

struct Node {
    std::string name, role, localizedRole;
    std::map<std::string, std::string> attributes;
    std::vector<std::string> children;  // paths
    const char* text = nullptr;         // the Text interface's text
    bool value = false;                 // a Value interface
};

const std::string prefix = "/org/a11y/atspi/accessible/";
const std::map<std::string, Node> tree{
    {prefix + "root", {"fake-map", "application", "应用程序", {}, {prefix + "w"}}},
    {prefix + "w", {"高德地图", "frame", "框架", {{"toolkit", "fake"}}, {prefix + "p", prefix + "m"}}},
    {prefix + "p", {"路线方案", "panel", "面板", {}, {prefix + "l1", prefix + "l2"}, "天津港\n方案一"}},
    {prefix + "l1", {"方案一", "label", "标签", {}, {}}},
    {prefix + "l2", {"4小时20分", "label", "标签", {}, {}, nullptr, true}},
    {prefix + "m", {"地图", "panel", "面板", {}, {prefix + "m1"}}},
    {prefix + "m1", {"图层 1", "label", "标签", {}, {}}},
};

struct Quirks {
    std::string toolkit = "gtk";
    bool refuseGetAll = false, withoutAttributes = false, withoutChildCount = false;
    std::string silent;  // the last part of a node's path
};

void appendVariant(DBusMessageIter* it, const char* key, int type, const void* value) {
    DBusMessageIter entry, variant;
    dbus_message_iter_open_container(it, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
    const char signature[] = {static_cast<char>(type), '\0'};
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant);
    dbus_message_iter_append_basic(&variant, type, value);
    dbus_message_iter_close_container(&entry, &variant);
    dbus_message_iter_close_container(it, &entry);
}

void appendAttributes(DBusMessageIter* it, const Node& node) {
    DBusMessageIter list, entry;
    dbus_message_iter_open_container(it, DBUS_TYPE_ARRAY, "{ss}", &list);
    for (const auto& [key, value] : node.attributes) {
        const char* k = key.c_str();
        const char* v = value.c_str();
        dbus_message_iter_open_container(&list, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &k);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &v);
        dbus_message_iter_close_container(&list, &entry);
    }
    dbus_message_iter_close_container(it, &list);
}

DBusMessage* returning(DBusMessage* call, int type, const void* value) {
    DBusMessage* reply = dbus_message_new_method_return(call);
    dbus_message_append_args(reply, type, value, DBUS_TYPE_INVALID);
    return reply;
}

DBusMessage* allProperties(DBusMessage* call, const Node& node, const Quirks& quirks) {
    if (quirks.toolkit == "Qt") std::abort();
    if (quirks.refuseGetAll) return dbus_message_new_error(call, DBUS_ERROR_UNKNOWN_METHOD, "");
    DBusMessage* reply = dbus_message_new_method_return(call);
    DBusMessageIter it, dict;
    dbus_message_iter_init_append(reply, &it);
    dbus_message_iter_open_container(&it, DBUS_TYPE_ARRAY, "{sv}", &dict);
    const char* name = node.name.c_str();
    const char* empty = "";
    const dbus_int32_t count = static_cast<dbus_int32_t>(node.children.size());
    appendVariant(&dict, "Name", DBUS_TYPE_STRING, &name);
    appendVariant(&dict, "Description", DBUS_TYPE_STRING, &empty);
    appendVariant(&dict, "AccessibleId", DBUS_TYPE_STRING, &empty);
    if (!quirks.withoutChildCount) appendVariant(&dict, "ChildCount", DBUS_TYPE_INT32, &count);
    if (!quirks.withoutAttributes) {
        DBusMessageIter entry, variant;
        const char* key = "Attributes";
        dbus_message_iter_open_container(&dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
        dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "a{ss}", &variant);
        appendAttributes(&variant, node);
        dbus_message_iter_close_container(&entry, &variant);
        dbus_message_iter_close_container(&dict, &entry);
    }
    dbus_message_iter_close_container(&it, &dict);
    return reply;
}

DBusMessage* property(DBusMessage* call, const Node& node, const Quirks& quirks) {
    const char* interface = "";
    const char* name = "";
    dbus_message_get_args(call, nullptr, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    const std::string_view property = name;
    const char* text = property == "Name" ? node.name.c_str()
                       : property == "Description" || property == "AccessibleId" ? ""
                       : property == "ToolkitName" ? quirks.toolkit.c_str()
                                                   : nullptr;
    if (!text) return dbus_message_new_error(call, DBUS_ERROR_UNKNOWN_PROPERTY, "");
    DBusMessage* reply = dbus_message_new_method_return(call);
    DBusMessageIter it, variant;
    dbus_message_iter_init_append(reply, &it);
    dbus_message_iter_open_container(&it, DBUS_TYPE_VARIANT, "s", &variant);
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_STRING, &text);
    dbus_message_iter_close_container(&it, &variant);
    return reply;
}

DBusMessage* answer(DBusConnection* bus, DBusMessage* call, const Node& node, const Quirks& quirks) {
    const std::string_view member = dbus_message_get_member(call);
    const char* role = member == "GetRoleName" ? node.role.c_str() : node.localizedRole.c_str();
    if (member == "GetAll") return allProperties(call, node, quirks);
    if (member == "Get") return property(call, node, quirks);
    if (member == "GetRoleName" || member == "GetLocalizedRoleName") return returning(call, DBUS_TYPE_STRING, &role);
    if (member == "GetText" && node.text) return returning(call, DBUS_TYPE_STRING, &node.text);
    DBusMessage* reply = dbus_message_new_method_return(call);
    DBusMessageIter it, list, entry;
    dbus_message_iter_init_append(reply, &it);
    if (member == "GetAttributes") {
        appendAttributes(&it, node);
    } else if (member == "GetInterfaces") {
        dbus_message_iter_open_container(&it, DBUS_TYPE_ARRAY, "s", &list);
        for (const char* name : {accessibleInterface, node.text ? textInterface : "", node.value ? valueInterface : ""}) {
            if (*name) dbus_message_iter_append_basic(&list, DBUS_TYPE_STRING, &name);
        }
        dbus_message_iter_close_container(&it, &list);
    } else if (member == "GetChildren") {
        const char* owner = dbus_bus_get_unique_name(bus);
        dbus_message_iter_open_container(&it, DBUS_TYPE_ARRAY, "(so)", &list);
        for (const auto& path : node.children) {
            const char* p = path.c_str();
            dbus_message_iter_open_container(&list, DBUS_TYPE_STRUCT, nullptr, &entry);
            dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &owner);
            dbus_message_iter_append_basic(&entry, DBUS_TYPE_OBJECT_PATH, &p);
            dbus_message_iter_close_container(&list, &entry);
        }
        dbus_message_iter_close_container(&it, &list);
    } else {
        dbus_message_unref(reply);
        return dbus_message_new_error(call, DBUS_ERROR_UNKNOWN_METHOD, "");
    }
    return reply;
}

}  // namespace

int main(int argc, char** argv) {
    Quirks quirks;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--toolkit" && i + 1 < argc) quirks.toolkit = argv[++i];
        else if (arg == "--silent" && i + 1 < argc) quirks.silent = argv[++i];
        else if (arg == "--refuse-getall") quirks.refuseGetAll = true;
        else if (arg == "--getall-without-attributes") quirks.withoutAttributes = true;
        else if (arg == "--getall-without-childcount") quirks.withoutChildCount = true;
    }
    ConnectionPtr bus = openAccessibilityBus();
    if (!bus) return 1;
    DBusMessage* embed = dbus_message_new_method_call("org.a11y.atspi.Registry", (prefix + "root").c_str(),
                                                      "org.a11y.atspi.Socket", "Embed");
    DBusMessageIter it, reference;
    const char* name = dbus_bus_get_unique_name(bus.get());
    const std::string root = prefix + "root";
    const char* path = root.c_str();
    dbus_message_iter_init_append(embed, &it);
    dbus_message_iter_open_container(&it, DBUS_TYPE_STRUCT, nullptr, &reference);
    dbus_message_iter_append_basic(&reference, DBUS_TYPE_STRING, &name);
    dbus_message_iter_append_basic(&reference, DBUS_TYPE_OBJECT_PATH, &path);
    dbus_message_iter_close_container(&it, &reference);
    if (PendingCall(bus.get(), embed, discoveryTimeoutMs).wait() != accessibility::CallOutcome::ok) return 1;
    std::cout << "ready" << std::endl;
    while (dbus_connection_read_write(bus.get(), -1)) {
        while (DBusMessage* call = dbus_connection_pop_message(bus.get())) {
            const auto node = tree.find(dbus_message_get_path(call) ? dbus_message_get_path(call) : "");
            DBusMessage* reply = nullptr;
            if (dbus_message_get_type(call) != DBUS_MESSAGE_TYPE_METHOD_CALL || dbus_message_get_no_reply(call)) {
            } else if (node == tree.end()) {
                reply = dbus_message_new_error(call, DBUS_ERROR_UNKNOWN_OBJECT, "");
            } else if (node->first != prefix + quirks.silent) {
                reply = answer(bus.get(), call, node->second, quirks);
            }
            if (reply) {
                dbus_connection_send(bus.get(), reply, nullptr);
                dbus_message_unref(reply);
            }
            dbus_message_unref(call);
        }
    }
    return 0;
}
