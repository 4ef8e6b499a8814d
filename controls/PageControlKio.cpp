#include "controls/PageControlKio.h"

#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTabBar>

namespace quarn {

namespace {

class TButtonTabBar : public QTabBar {
public:
    explicit TButtonTabBar(QWidget* parent) : QTabBar(parent) { setDrawBase(false); }

protected:
    QSize tabSizeHint(int index) const override {
        QStyleOptionButton option;
        option.initFrom(this);
        option.text = tabText(index);
        const QSize text = fontMetrics().size(Qt::TextShowMnemonic, option.text);
        return style()->sizeFromContents(QStyle::CT_PushButton, &option, text + QSize(8, 0), this) +
               QSize(3, 3);
    }

    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        for (int i = 0; i < count(); ++i) {
            QStyleOptionButton option;
            option.initFrom(this);
            option.rect = tabRect(i).adjusted(1, 1, -2, -2);
            option.text = tabText(i);
            option.icon = tabIcon(i);
            option.iconSize = iconSize();
            option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
            if (!isTabEnabled(i)) {
                option.state &= ~QStyle::State_Enabled;
            }
            option.state |=
                i == currentIndex() ? (QStyle::State_Sunken | QStyle::State_On) : QStyle::State_Raised;
            if (i == currentIndex() && hasFocus()) {
                option.state |= QStyle::State_HasFocus;
            }
            painter.drawControl(QStyle::CE_PushButton, option);
        }
    }
};

} // namespace

TPageControlKio::TPageControlKio(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new TButtonTabBar(this));
    setDocumentMode(true);
}

} // namespace quarn
