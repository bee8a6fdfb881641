#include "platform/linux/linux_services.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace wendrel::linux_desktop {
namespace {

const QString busService = QStringLiteral("org.a11y.Bus");
const QString busPath = QStringLiteral("/org/a11y/bus");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString statusInterface = QStringLiteral("org.a11y.Status");
const QString enabledProperty = QStringLiteral("IsEnabled");
// The check runs on the main thread at launch and before each read; a bus
// that does not answer promptly counts as no accessibility.
constexpr int callTimeoutMs = 1500;

class AtSpiAccessibilityTrust final : public AccessibilityTrust {
public:
    bool isTrusted(bool prompt) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return false;
        if (prompt) setEnabled(bus);
        return busAnswers(bus) && isEnabled(bus);
    }

private:
    static QDBusMessage call(QDBusConnection& bus, const QString& interface, const QString& method,
                             const QList<QVariant>& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(busService, busPath, interface, method);
        message.setArguments(arguments);
        return bus.call(message, QDBus::Block, callTimeoutMs);
    }

    static bool busAnswers(QDBusConnection& bus) {
        const QDBusMessage reply = call(bus, busService, QStringLiteral("GetAddress"), {});
        return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
               !reply.arguments().front().toString().isEmpty();
    }

    static bool isEnabled(QDBusConnection& bus) {
        const QDBusMessage reply = call(bus, propertiesInterface, QStringLiteral("Get"), {statusInterface, enabledProperty});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
        return reply.arguments().front().value<QDBusVariant>().variant().toBool();
    }

    static void setEnabled(QDBusConnection& bus) {
        call(bus, propertiesInterface, QStringLiteral("Set"),
             {statusInterface, enabledProperty, QVariant::fromValue(QDBusVariant(true))});
    }
};

}  // namespace

std::unique_ptr<AccessibilityTrust> makeAtSpiAccessibilityTrust() { return std::make_unique<AtSpiAccessibilityTrust>(); }

}  // namespace wendrel::linux_desktop
