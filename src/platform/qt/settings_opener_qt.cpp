#include "platform/privacy_settings.h"
#include "platform/qt/qt_services.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace wendrel::qt_desktop {
namespace {

class QtSettingsOpener final : public SettingsOpener {
public:
    void openPrivacySettings(std::string_view permission) override {
        const QUrl url(QString::fromStdString(platform_settings::privacySettingsUrl(permission)), QUrl::StrictMode);
        // The answer is not examined: a refused page leaves nothing to do.
        if (url.isValid()) QDesktopServices::openUrl(url);
    }
};

}  // namespace

std::unique_ptr<SettingsOpener> makeQtSettingsOpener() { return std::make_unique<QtSettingsOpener>(); }

}  // namespace wendrel::qt_desktop
