#include "ui/StandInKanalKnopf.h"

#include "ui/StandInBilder.h"

#include <QAction>
#include <QActionGroup>
#include <QToolBar>
#include <QWidget>

namespace quarn {

TStandInKanalKnopf::TStandInKanalKnopf(QToolBar& toolbar, QActionGroup& group, int number,
                                       std::function<void()> onClick)
    : action_(new QAction(&toolbar)) {
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

void TStandInKanalKnopf::SetCaption(const QString& caption) {
    if (action_) {
        action_->setText(caption);
    }
}

QString TStandInKanalKnopf::Caption() const {
    return action_ ? action_->text() : QString();
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
