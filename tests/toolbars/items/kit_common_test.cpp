// The kit's common helpers: accelerators, the settings it asks the system, sounds, drawing and hooks.
#include "TTKFakeSettings.h"
#include "toolbars/items/TTKCommon.h"
#include "toolbars/items/TTKHooks.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace quarn {
namespace {

using test::TTKFakeSettings;

TEST(KitText, AcceleratorIsTheCharacterAfterTheLastSingleAmpersand) {
    const struct {
        const char16_t* caption;
        QChar accel;
    } cases[] = {
        {u"&&Datei &Neu", u'N'}, {u"&&A&&B", QChar()},       {u"&Eins &Zwei", u'Z'}, {u"Ende&", QChar()},
        {u"&Öffnen", u'Ö'},      {u"Kein Zeichen", QChar()}, {u"&A&&", u'A'},        {u"A&&&B", u'B'},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AccelCharOf(QString::fromUtf16(c.caption)), c.accel)
            << QString::fromUtf16(c.caption).toStdString();
    }
    EXPECT_EQ(StripAccelPrefix("A&&&B &Cd"), "A&B Cd");
}

TEST(KitText, DivisionRoundsAwayFromZero) {
    EXPECT_EQ(DivideAwayFromZero(7, 2), 4);
    EXPECT_EQ(DivideAwayFromZero(-7, 2), -4);
    EXPECT_EQ(DivideAwayFromZero(7, -2), -4);
    EXPECT_EQ(DivideAwayFromZero(6, 2), 3);
    EXPECT_EQ(DivideAwayFromZero(0, 5), 0);
}

TEST(KitSettings, MenuOpenDelayFromTheStyleElseTheDesktopValue) {
    const char* key = "Control Panel\\Desktop";
    struct Case {
        int style;
        const char* text; // null: no value
        int expected;
    };
    const Case cases[] = {{250, "100", 250}, {-1, nullptr, 400}, {-1, "abc", 0},
                          {-1, "-5", 0},     {-1, "300", 300},   {-1, "", 0}};
    for (const Case& c : cases) {
        TTKFakeSettings settings;
        settings.styleMenuDelay = c.style;
        if (c.text) {
            settings.Store().WriteString(Hive::CurrentUser, key, "MenuShowDelay", c.text);
        }
        EXPECT_EQ(settings.MenuOpenDelay(), c.expected) << (c.text ? c.text : "(none)");
    }
    TTKFakeSettings wrongType;
    wrongType.styleMenuDelay = -1;
    wrongType.Store().WriteDWord(Hive::CurrentUser, key, "MenuShowDelay", 300);
    EXPECT_EQ(wrongType.MenuOpenDelay(), 0);
}

TEST(KitSettings, TheDesktopValueIsReadOncePerProcess) {
    TTKFakeSettings settings;
    settings.styleMenuDelay = -1;
    settings.Store().WriteString(Hive::CurrentUser, "Control Panel\\Desktop", "MenuShowDelay", "120");
    EXPECT_EQ(settings.MenuOpenDelay(), 120);
    settings.Store().WriteString(Hive::CurrentUser, "Control Panel\\Desktop", "MenuShowDelay", "80");
    EXPECT_EQ(settings.MenuOpenDelay(), 120);
}

TEST(KitSettings, MonitorRectangleIsTheWholeScreenUnlessTheWorkAreaIsAsked) {
    TTKFakeSettings settings;
    EXPECT_EQ(settings.MonitorRectForPoint(QPoint(10, 10), false), QRect(0, 0, 1024, 768));
    EXPECT_EQ(settings.MonitorRectForPoint(QPoint(10, 10), true), QRect(0, 0, 1024, 740));

    settings.monitors.push_back({QRect(1024, 0, 800, 600), QRect(1024, 30, 800, 570)});
    EXPECT_EQ(settings.MonitorRectForRect(QRect(1000, 10, 200, 50), false), QRect(1024, 0, 800, 600));
    // Off every screen: the closest one.
    EXPECT_EQ(settings.MonitorRectForPoint(QPoint(3000, 100), true), QRect(1024, 30, 800, 570));
    EXPECT_EQ(settings.MonitorRectForPoint(QPoint(-500, 100), false), QRect(0, 0, 1024, 768));
}

TEST(KitSettings, ASoundPlaysOnlyWhenTheSchemeNamesAFile) {
    TTKFakeSettings settings;
    EXPECT_FALSE(settings.SoundEventEnabled("MenuPopup"));
    settings.PlaySoundEvent("MenuPopup");
    EXPECT_TRUE(settings.played.empty());

    const char* key = "AppEvents\\Schemes\\Apps\\.Default\\MenuPopup\\.Current";
    settings.Store().WriteString(Hive::CurrentUser, key, "", "");
    EXPECT_FALSE(settings.SoundEventEnabled("MenuPopup"));
    settings.Store().WriteString(Hive::CurrentUser, key, "", "/usr/share/sounds/klick.wav");
    EXPECT_TRUE(settings.SoundEventEnabled("MenuPopup"));
    EXPECT_FALSE(settings.SoundEventEnabled("MenuCommand"));
    settings.PlaySoundEvent("MenuPopup");
    EXPECT_EQ(settings.played, std::vector<std::string>{"/usr/share/sounds/klick.wav"});
}

QImage Blank() {
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

int LitPixels(const QImage& image) {
    int lit = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            lit += image.pixel(x, y) != qRgb(0, 0, 0);
        }
    }
    return lit;
}

TEST(KitDrawing, DragOutlineErasesTheOldFrameAndDrawsTheNewOne) {
    QImage moved = Blank();
    {
        QPainter painter(&moved);
        DrawDragOutline(painter, QRect(5, 5, 30, 20), QRect(), 3, 0);
        DrawDragOutline(painter, QRect(12, 10, 30, 20), QRect(5, 5, 30, 20), 3, 3);
    }
    QImage direct = Blank();
    {
        QPainter painter(&direct);
        DrawDragOutline(painter, QRect(12, 10, 30, 20), QRect(), 3, 0);
    }
    EXPECT_EQ(moved, direct);
    // Half-tone: about half of the frame's pixels, none inside it.
    const int frame = 30 * 20 - 24 * 14;
    EXPECT_NEAR(LitPixels(direct), frame / 2, 2);
    EXPECT_EQ(direct.pixel(27, 20), qRgb(0, 0, 0));

    QPainter painter(&direct);
    DrawDragOutline(painter, QRect(), QRect(12, 10, 30, 20), 0, 3);
    painter.end();
    EXPECT_EQ(LitPixels(direct), 0);
}

TEST(KitDrawing, VerticalCaptionRunsDownwards) {
    QImage image(40, 160, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.setPen(Qt::white);
        DrawVerticalCaption(painter, "&Verbindungen", image.rect(), false);
    }
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(0, 0, 0)) {
                ink |= QRect(x, y, 1, 1);
            }
        }
    }
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.height(), 2 * ink.width());
    EXPECT_TRUE(image.rect().adjusted(1, 1, -1, -1).contains(ink));
}

std::vector<THookEvent>& Heard() {
    static std::vector<THookEvent> heard;
    return heard;
}

void Listen(const THookEvent& event) {
    if (IsTopLevelWindowEvent(event)) {
        Heard().push_back({event.kind, event.target, nullptr, event.active});
    }
}

TEST(KitHooks, WindowKindsHearTopLevelShowsAndHidesUntilTheLastSubscriberLeaves) {
    Heard().clear();
    const THookKinds kinds = HookKindBit(THookKind::WindowPosChanged);
    SubscribeMessageHook(&Listen, kinds);
    SubscribeMessageHook(&Listen, kinds);
    QWidget form;
    form.resize(80, 40);
    form.show();
    form.hide();
    EXPECT_GE(Heard().size(), 2u);
    UnsubscribeMessageHook(&Listen);
    EXPECT_TRUE(THookClients::Instance().IsFilterInstalled());
    UnsubscribeMessageHook(&Listen);
    EXPECT_FALSE(THookClients::Instance().IsFilterInstalled());
    const std::size_t before = Heard().size();
    form.show();
    EXPECT_EQ(Heard().size(), before);
}

} // namespace
} // namespace quarn
