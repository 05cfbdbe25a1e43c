#pragma once

#include <QPixmap>
#include <QPushButton>

#include <cstdint>

// A push button whose whole face is a swatch of one colour (0x00BBGGRR).
class CColorButton : public QPushButton
{
    Q_OBJECT

public:
    explicit CColorButton(QWidget* parent = nullptr);

    // Gives the button its swatch, as large as the button, in this colour.
    void SetColor(uint32_t color);
    // Paints the swatch in this colour and redraws the button at once.
    void Fill(uint32_t color);
    uint32_t Color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void MakeSwatch();

    QPixmap swatch_;
    uint32_t color_ = 0;
};
