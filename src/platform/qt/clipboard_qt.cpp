#include "platform/qt/qt_services.h"

#include <QClipboard>
#include <QGuiApplication>

namespace wendrel::qt_desktop {
namespace {

class QtClipboard final : public Clipboard {
public:
    bool writeText(const std::string& text) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard) return false;
        const QString payload = QString::fromStdString(text);
        // setText replaces every format the clipboard held with plain text.
        clipboard->setText(payload, QClipboard::Clipboard);
        return clipboard->text(QClipboard::Clipboard) == payload;
    }
};

}  // namespace

std::unique_ptr<Clipboard> makeQtClipboard() { return std::make_unique<QtClipboard>(); }

}  // namespace wendrel::qt_desktop
