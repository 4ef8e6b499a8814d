#include "controls/LinkLabel.h"
#include "platform/SystemColor.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <set>

namespace quarn {
namespace {

const QString kTexte = QString::fromUtf8(
    "In der <link>Stationendatenbank</link> können Sie rufzeichenabhängige Texte einstellen.");
const QString kKlaenge = QString::fromUtf8(
    "In der <link>Stationendatenbank</link> können Sie rufzeichenabhängige Klänge einstellen.");
const QString kTreffen = QString::fromUtf8(
    "Treffen Sie rufzeichenabhängige Einstellungen in der <link>Stationendatenbank</link>.");

void Move(QWidget& widget, QPoint point) {
    QMouseEvent move(QEvent::MouseMove, point, widget.mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
}

QPoint Centre(const TLinkRect& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

TLinkNode& FirstLink(const TLinkLabel& label) {
    return *static_cast<TLinkNode*>(label.Tree()->Root().FindFirst(TNodeType::Link));
}

// The distinct tops of the drawn text: one per line.
int LineCount(const TLinkLabel& label) {
    std::set<int> tops;
    const auto collect = [&](const auto& self, const TParentNode& parent) -> void {
        for (const auto& child : parent.Children()) {
            if (const auto* text = dynamic_cast<const TStringNode*>(child.get())) {
                for (const TLinkRect& rect : text->Rects()) {
                    tops.insert(rect.top);
                }
            } else if (const auto* inner = dynamic_cast<const TParentNode*>(child.get())) {
                self(self, *inner);
            }
        }
    };
    collect(collect, label.Tree()->Root());
    return static_cast<int>(tops.size());
}

class LinkLabelTest : public ::testing::Test {
protected:
    LinkLabelTest() {
        label_.resize(400, 17);
        label_.SetCaption(kTexte);
        label_.show();
    }
    TLinkLabel label_;
};

TEST_F(LinkLabelTest, AClickOnTheLinkWordReportsItsNumberAndText) {
    QSignalSpy clicks(&label_, &TLinkLabel::LinkClick);
    const QPoint onLink = Centre(FirstLink(label_).Rects().front());
    QTest::mouseClick(&label_, Qt::LeftButton, {}, onLink);
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), 0);
    EXPECT_EQ(clicks[0][1].toString(), "Stationendatenbank");
    QTest::mouseClick(&label_, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(clicks.size(), 1) << "beside the link";
}

TEST_F(LinkLabelTest, WithoutHotLinksALinkChangesOnlyWhilePressed) {
    TLinkNode& link = FirstLink(label_);
    const QPoint onLink = Centre(link.Rects().front());
    Move(label_, onLink);
    EXPECT_EQ(link.state, TLinkState::Normal);
    EXPECT_EQ(label_.cursor().shape(), Qt::PointingHandCursor);
    QTest::mousePress(&label_, Qt::LeftButton, {}, onLink);
    EXPECT_EQ(link.state, TLinkState::Clicked);
    QTest::mouseRelease(&label_, Qt::LeftButton, {}, onLink);
    EXPECT_EQ(link.state, TLinkState::Normal);
    Move(label_, QPoint(2, 2));
    EXPECT_EQ(label_.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(LinkLabelTest, HotLinksLightUpUnderTheMouseUntilItLeaves) {
    label_.SetHotLinks(true);
    TLinkNode& link = FirstLink(label_);
    Move(label_, Centre(link.Rects().front()));
    EXPECT_EQ(link.state, TLinkState::Hot);
    Move(label_, QPoint(2, 2));
    EXPECT_EQ(link.state, TLinkState::Normal);

    Move(label_, Centre(link.Rects().front()));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&label_, &leave);
    EXPECT_EQ(link.state, TLinkState::Normal);
    EXPECT_EQ(label_.ActiveLink(), nullptr);

    // A pressed link stays pressed while the mouse wanders off.
    QTest::mousePress(&label_, Qt::LeftButton, {}, Centre(link.Rects().front()));
    Move(label_, QPoint(2, 2));
    EXPECT_EQ(link.state, TLinkState::Clicked);
}

TEST_F(LinkLabelTest, ALinkWrappedOverTwoLinesIsHotOverBothParts) {
    label_.SetHotLinks(true);
    label_.SetCaption("Sehen Sie in der <link>Stationen Datenbank</link> nach.");
    const QFontMetrics metrics(label_.font());
    label_.resize(metrics.horizontalAdvance("Sehen Sie in der Stationen") + 8, 17);
    TLinkNode& link = FirstLink(label_);
    ASSERT_EQ(link.Rects().size(), 2u) << "the link should wrap at this width";
    EXPECT_GT(link.Rects()[1].top, link.Rects()[0].top);
    for (const TLinkRect& part : link.Rects()) {
        Move(label_, QPoint(label_.width() - 2, label_.height() - 2));
        ASSERT_EQ(link.state, TLinkState::Normal);
        Move(label_, Centre(part));
        EXPECT_EQ(link.state, TLinkState::Hot) << "part at " << part.top;
    }
}

TEST_F(LinkLabelTest, EveryPaintShowsTheLinkInItsState) {
    label_.SetColor(0xFFFFFFU);
    const auto linkPixels = [&](QRgb wanted) {
        const QImage image = label_.grab().toImage().convertToFormat(QImage::Format_RGB32);
        int count = 0;
        for (const TLinkRect& rect : FirstLink(label_).Rects()) {
            for (int y = rect.top; y <= rect.bottom && y < image.height(); ++y) {
                for (int x = rect.left; x <= rect.right && x < image.width(); ++x) {
                    count += image.pixel(x, y) == wanted ? 1 : 0;
                }
            }
        }
        return count;
    };
    const QRgb blue = qRgb(0, 0, 255);
    const QRgb purple = qRgb(128, 0, 128);
    EXPECT_GT(linkPixels(blue), 0);
    EXPECT_EQ(linkPixels(purple), 0);
    label_.SetHotLinks(true);
    Move(label_, Centre(FirstLink(label_).Rects().front()));
    EXPECT_EQ(linkPixels(blue), 0);
    EXPECT_GT(linkPixels(purple), 0);
}

TEST_F(LinkLabelTest, TheHeightFollowsTheTextAndItsMargin) {
    label_.SetMarginHeight(4);
    label_.SetMarginWidth(3);
    const int lineHeight = QFontMetrics(label_.font()).height();
    EXPECT_EQ(LineCount(label_), 2);
    EXPECT_EQ(label_.TextHeight(), 4 + 2 * lineHeight);
    EXPECT_EQ(label_.height(), label_.TextHeight() + 4);
    EXPECT_EQ(FirstLink(label_).startPosition.y(), 4);

    label_.resize(120, label_.height());
    EXPECT_GT(LineCount(label_), 2);
    EXPECT_EQ(label_.height(), 4 + LineCount(label_) * lineHeight + 4) << "a narrower label grows";

    const int lines = LineCount(label_);
    QFont larger = label_.font();
    larger.setPointSize(larger.pointSize() * 2);
    label_.setFont(larger);
    EXPECT_GT(LineCount(label_), lines) << "the words are measured again in the new font";
    EXPECT_EQ(label_.height(), label_.TextHeight() + 4);
}

TEST(LinkLabelLayout, ALabelThatFillsItsPlaceKeepsItsHeight) {
    QWidget panel;
    panel.resize(300, 200);
    auto* layout = new QVBoxLayout(&panel);
    auto* filling = new TLinkLabel(&panel);
    filling->SetAlign(TAlign::alClient);
    layout->addWidget(filling);
    auto* following = new TLinkLabel(&panel);
    layout->addWidget(following);
    panel.show();
    filling->SetCaption(kTexte);
    following->SetCaption(kTexte);
    QApplication::processEvents();
    const int filled = filling->height();
    EXPECT_GT(filled, following->height());
    EXPECT_EQ(following->height(), following->TextHeight());
    filling->SetCaption(kTreffen + "<BR>" + kTreffen);
    following->SetCaption(kTreffen + "<BR>" + kTreffen);
    QApplication::processEvents();
    EXPECT_EQ(following->height(), following->TextHeight());
    EXPECT_EQ(filling->height(), panel.height() - following->height() - layout->spacing() -
                                     layout->contentsMargins().top() - layout->contentsMargins().bottom());
}

TEST(LinkLabelLayout, AClickHandlerMayGiveTheLabelANewCaption) {
    TLinkLabel label;
    label.resize(400, 17);
    label.SetCaption(kTexte);
    label.show();
    QObject::connect(&label, &TLinkLabel::LinkClick, &label,
                     [&] { label.SetCaption("<link>weiter</link>"); });
    QTest::mouseClick(&label, Qt::LeftButton, {}, Centre(FirstLink(label).Rects().front()));
    EXPECT_EQ(label.Caption(), "<link>weiter</link>");
    EXPECT_EQ(FirstLink(label).state, TLinkState::Normal);
}

TEST(LinkLabelLayout, DynamicElementsAskTheOwnerForTheirMarkUp) {
    TLinkLabel label;
    label.resize(400, 17);
    QList<int> asked;
    label.OnDynamicTagInit = [&](QString& source, int number) {
        asked.append(number);
        source = QString("<link>Ziel %1</link>").arg(number);
    };
    QSignalSpy changed(&label, &TLinkLabel::CaptionChanged);
    label.SetCaption("<link>a</link> <DYNAMIC> <DYNAMIC>");
    EXPECT_EQ(asked, (QList<int>{0, 1}));
    EXPECT_EQ(label.Tree()->Root().Text(), "a Ziel 0 Ziel 1");
    EXPECT_EQ(changed.size(), 1);
    label.SetCaption("<link>a</link> <DYNAMIC> <DYNAMIC>");
    EXPECT_EQ(changed.size(), 1) << "the same caption again changes nothing";
}

TEST(LinkLabelScreenshot, TheProgramCaptionsAtThreeWidths) {
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette colours = window.palette();
    colours.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1));
    window.setPalette(colours);
    auto* grid = new QGridLayout(&window);
    const QString captions[] = {kKlaenge, kTexte, kTreffen};
    const int widths[] = {150, 250, 400};
    TLinkLabel* hot = nullptr;
    for (int column = 0; column < 3; ++column) {
        auto* heading = new QLabel(QString("%1 px").arg(widths[column]), &window);
        grid->addWidget(heading, 0, column, Qt::AlignTop);
        for (int row = 0; row < 3; ++row) {
            auto* label = new TLinkLabel(&window);
            label->SetTransparent(true);
            label->SetLinkColor(0x800000U);        // clNavy
            label->SetLinkColorClicked(0x0000FFU); // clRed
            label->SetLinkColorHot(0x800080U);     // clPurple
            label->SetLinkStyle(0);
            label->SetHotLinks(true);
            label->setFixedWidth(widths[column]);
            label->SetCaption(captions[row]);
            grid->addWidget(label, row + 1, column, Qt::AlignTop);
            if (row == 1 && column == 2) {
                hot = label;
            }
        }
    }
    grid->setRowStretch(4, 1);
    window.show();
    QApplication::processEvents();
    Move(*hot, Centre(FirstLink(*hot).Rects().front()));
    ASSERT_EQ(FirstLink(*hot).state, TLinkState::Hot);
    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(window.grab().save(folder + "linklabel_captions.png"));
}

} // namespace
} // namespace quarn
