#include "app/window_elements.h"

namespace wendrel::window {

std::string footerText() {
    return std::string("读取成功后，回到 ").append(freightSiteHost).append(" 的“货车路线校准”，点击“导入 Mac 高德结果”。");
}

}  // namespace wendrel::window
