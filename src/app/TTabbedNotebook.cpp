#include "TTabbedNotebook.h"

#include <QProxyStyle>
#include <QTabBar>

namespace {

// The platform style with less room around a tab's caption.
class TightTabStyle : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) return 10;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

}  // namespace

TTabbedNotebook::TTabbedNotebook(QWidget* parent) : QTabWidget(parent) {
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    QTabBar* bar = tabBar();
    auto* style = new TightTabStyle();
    style->setParent(bar);
    bar->setStyle(style);
    QFont smaller = bar->font();
    smaller.setPixelSize(10);
    bar->setFont(smaller);
}
