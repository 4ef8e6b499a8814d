#pragma once

// A small window for channels: three stacked areas, a row of buttons, status panels as strings and the
// last actions, progress and attention calls remembered for the test to read.
#include "devices/channel/KanalFenster.h"

#include <QBoxLayout>
#include <QPointer>
#include <QToolButton>
#include <QWidget>
#include <map>

namespace quarn::test {

class TestKanalKnopf final : public IKanalKnopf {
public:
    TestKanalKnopf(QWidget* parent, std::function<void()> onClick) : button_(new QToolButton(parent)) {
        button_->setCheckable(true);
        QObject::connect(button_, &QToolButton::clicked, [onClick = std::move(onClick)] { onClick(); });
        if (parent->layout() != nullptr) {
            parent->layout()->addWidget(button_);
        }
    }
    ~TestKanalKnopf() override { delete button_; }

    void SetCaption(const QString& caption) override { button_->setText(caption); }
    QString Caption() const override { return button_->text(); }
    void SetHint(const QString& hint) override { hint_ = hint; }
    QString Hint() const override { return hint_; }
    void SetImage(int index) override { image_ = index; }
    int Image() const override { return image_; }
    void SetChecked(bool checked) override { button_->setChecked(checked); }
    bool Checked() const override { return button_->isChecked(); }
    QWidget* Widget() const override { return button_; }
    QToolButton* Button() const { return button_; }

private:
    QToolButton* button_;
    QString hint_;
    int image_ = 0;
};

class TestKanalFenster final : public IKanalFenster {
public:
    TestKanalFenster() {
        window.resize(680, 520);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(2);
        leiste = new QWidget(&window);
        leiste->setLayout(new QHBoxLayout);
        leiste->layout()->setContentsMargins(0, 0, 0, 0);
        for (QWidget** area : {&monitor, &ausgabe, &eingabe}) {
            *area = new QWidget(&window);
            (*area)->setLayout(new QVBoxLayout);
            (*area)->layout()->setContentsMargins(0, 0, 0, 0);
        }
        layout->addWidget(leiste);
        layout->addWidget(monitor, 2);
        layout->addWidget(ausgabe, 4);
        layout->addWidget(eingabe, 1);
    }

    void Einbetten(TKanalPanel panel, QWidget* widget) override {
        QWidget* area = panel == TKanalPanel::Monitor   ? monitor
                        : panel == TKanalPanel::Ausgabe ? ausgabe
                                                        : eingabe;
        widget->setParent(area);
        area->layout()->addWidget(widget);
    }
    void KanalLeisteBeginUpdate() override { ++updates; }
    void KanalLeisteEndUpdate() override { --updates; }
    std::unique_ptr<IKanalKnopf> KanalKnopfErzeugen(int number, std::function<void()> onClick) override {
        auto knopf = std::make_unique<TestKanalKnopf>(leiste, std::move(onClick));
        knopf->Button()->setObjectName(QString::asprintf("ChannelButton%2.2d", number));
        return knopf;
    }
    void SetStatusPanel(int index, const QString& text) override { panels[index] = text; }
    QString StatusPanel(int index) const override {
        const auto found = panels.find(index);
        return found == panels.end() ? QString() : found->second;
    }
    void SetFortschritt(bool visible, const QString& label, int percent) override {
        progressVisible = visible;
        progressLabel = label;
        progressPercent = percent;
    }
    void SetAktionen(const TKanalAktionen& actions) override { aktionen = actions; }
    void SetStopBild(int image) override { stopBild = image; }
    std::vector<QPixmap> GutterBilder() const override {
        std::vector<QPixmap> images;
        for (const Qt::GlobalColor colour :
             {Qt::transparent, Qt::gray, Qt::gray, Qt::blue, Qt::darkYellow, Qt::green, Qt::red}) {
            QPixmap image(10, 10);
            image.fill(colour);
            images.push_back(image);
        }
        return images;
    }
    bool IsGestartet() const override { return gestartet; }
    bool IsSichtbar() const override { return sichtbar; }
    void Aufmerksamkeit() override { ++aufmerksamkeit; }
    // A plain window stands in for the wizard; it frees itself when closed, as the wizard does.
    QWidget* SendenOeffnen(const std::shared_ptr<IKanal>& kanal, const TSendenVorgabe& vorgabe) override {
        auto* assistent = new QWidget;
        assistent->setAttribute(Qt::WA_DeleteOnClose);
        assistent->show();
        senden.push_back({kanal, vorgabe, assistent});
        return assistent;
    }

    QWidget window;
    QWidget* leiste = nullptr;
    QWidget* monitor = nullptr;
    QWidget* ausgabe = nullptr;
    QWidget* eingabe = nullptr;
    int updates = 0;
    std::map<int, QString> panels;
    bool progressVisible = false;
    QString progressLabel;
    int progressPercent = 0;
    TKanalAktionen aktionen;
    int stopBild = 0;
    bool gestartet = true;
    bool sichtbar = true;
    int aufmerksamkeit = 0;
    struct Senden {
        std::shared_ptr<IKanal> kanal;
        TSendenVorgabe vorgabe;
        QPointer<QWidget> assistent;
    };
    std::vector<Senden> senden;
};

} // namespace quarn::test
