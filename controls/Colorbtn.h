#pragma once

#include <QColorDialog>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

namespace quarn {

// What the colour dialog is given and gives back; colours are stored values 0x00BBGGRR (a system colour
// with the top bit set).
struct TColorDialogRequest {
    std::uint32_t color = 0;
    QColorDialog::ColorDialogOptions options;
    QStringList customColors; // "ColorA=BBGGRR" .. "ColorP=BBGGRR", hexadecimal
    QWidget* parent = nullptr;
};
// Shows the common colour dialog; nullopt when it was cancelled. Tests put their own answer in.
using TColorDialogSeam = std::function<std::optional<std::uint32_t>(const TColorDialogRequest&)>;
TColorDialogSeam& ColorDialogSeam();

// A push button showing a colour swatch; a click chooses another colour in the colour dialog.
class TColorButton : public QWidget {
    Q_OBJECT

public:
    explicit TColorButton(QWidget* parent = nullptr);

    std::uint32_t Color() const { return color_; }
    // Stores and repaints; never fires ColorChange.
    void SetColor(std::uint32_t color);
    QColorDialog::ColorDialogOptions Options() const { return options_; }
    void SetOptions(QColorDialog::ColorDialogOptions options) { options_ = options; }
    QStringList CustomColors() const { return customColors_; }
    void SetCustomColors(const QStringList& colors) { customColors_ = colors; }
    int Margin() const { return margin_; }
    // 0 to 2; larger values are ignored.
    void SetMargin(int margin);
    bool IsPressed() const { return pressed_; }

    QSize sizeHint() const override { return {45, 25}; }

signals:
    // The colour was chosen in the dialog.
    void ColorChange();
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Click();
    void SetPressed(bool pressed);

    std::uint32_t color_ = 0xFFFFFFU;
    QColorDialog::ColorDialogOptions options_;
    QStringList customColors_;
    int margin_ = 1;
    bool tracking_ = false;
    bool pressed_ = false;
};

} // namespace quarn
