#include "app/WindowTips.h"

#include "res/StringTable.h"
#include "tooltip/window/TipPlainText.h"
#include "window/CQtWindowSystem.h"

namespace {

constexpr unsigned kDisplayTime = 20000;
constexpr int kWrapWidth = 480;

} // namespace

tooltip::HtmlDrawerServices WindowTipServices() {
    tooltip::HtmlDrawerServices services;
    services.loadString = [](int id) { return std::string(res::LoadString(id)); };
    return services;
}

tooltip::WindowSystem& WindowTipSystem() {
    return platformwindow::CQtWindowSystem::Shared();
}

void SetUpWindowTips(tooltip::CTipWindow& tips, QWidget& owner,
                     const std::function<QWidget*(int)>& control,
                     std::span<const WindowTipTool> tools) {
    platformwindow::CQtWindowSystem& windows = platformwindow::CQtWindowSystem::Shared();
    if (!tips.CreateTipWindow(windows.HandleOf(&owner))) {
        return;
    }
    tips.SetTiming(tooltip::TipTiming::Display, kDisplayTime);
    tips.SetWrapWidth(kWrapWidth);
    for (const WindowTipTool& tool : tools) {
        QWidget* widget = control(tool.controlId);
        if (widget == nullptr) {
            continue;
        }
        tips.RegisterTool(windows.HandleOf(widget), tool.stringId);
        const std::string_view text = res::LoadString(tool.stringId);
        widget->setAccessibleDescription(QString::fromStdString(tooltip::TipPlainText(text)));
    }
    windows.RelayEvents(owner, tips.Window(), tips);
}
