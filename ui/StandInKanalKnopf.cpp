#include "ui/StandInKanalKnopf.h"

#include "ui/StandInBilder.h"

#include <QAction>
#include <QActionGroup>
#include <QToolBar>
#include <QWidget>
#include <algorithm>

namespace quarn {

TStandInKanalKnopf::TStandInKanalKnopf(QToolBar& toolbar, QActionGroup& group, int number,
                                       std::function<void()> onClick)
    : toolbar_(&toolbar), action_(new QAction(&toolbar)), number_(number) {
    action_->setCheckable(true);
    action_->setIcon(KanalZustandBild(0));
    action_->setData(number);
    group.addAction(action_);
    const QList<QAction*> items = toolbar.actions();
    if (number >= 1 && !items.isEmpty()) {
        toolbar.insertAction(items.last(), action_);
    } else {
        toolbar.addAction(action_);
    }
    if (QWidget* button = toolbar.widgetForAction(action_)) {
        button->setObjectName(QString::asprintf("ChannelButton%2.2d", number));
    }
    QObject::connect(action_, &QAction::triggered, action_, [onClick = std::move(onClick)] {
        if (onClick) {
            onClick();
        }
    });
}

TStandInKanalKnopf::~TStandInKanalKnopf() {
    delete action_.data();
}

QWidget* TStandInKanalKnopf::Widget() const {
    return toolbar_ && action_ ? toolbar_->widgetForAction(action_) : nullptr;
}

void TStandInKanalKnopf::SetCaption(const QString& caption) {
    caption_ = caption;
    if (!action_) {
        return;
    }
    QString shown = caption;
    if (caption.trimmed().isEmpty()) {
        // The number in the middle of the blanks, so the button keeps its width.
        const QString number = QString::number(number_);
        const qsizetype left = std::max<qsizetype>(0, (caption.size() - number.size()) / 2);
        const qsizetype right = std::max<qsizetype>(0, caption.size() - number.size() - left);
        shown = QString(left, ' ') + number + QString(right, ' ');
    }
    action_->setText(shown);
    // Set as it stands: the text a tool button derives from the action's loses its blanks.
    action_->setIconText(shown);
}

QString TStandInKanalKnopf::Caption() const {
    return caption_;
}

void TStandInKanalKnopf::SetHint(const QString& hint) {
    hint_ = hint;
    if (!action_) {
        return;
    }
    // "short|long": the tool tip shows the short part, the status tip the long one.
    const qsizetype bar = hint.indexOf('|');
    action_->setToolTip(bar < 0 ? hint : hint.left(bar));
    action_->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

void TStandInKanalKnopf::SetImage(int index) {
    image_ = index;
    if (action_) {
        action_->setIcon(KanalZustandBild(index));
    }
}

void TStandInKanalKnopf::SetChecked(bool checked) {
    if (action_) {
        action_->setChecked(checked);
    }
}

bool TStandInKanalKnopf::Checked() const {
    return action_ && action_->isChecked();
}

} // namespace quarn
