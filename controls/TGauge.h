// A progress gauge: a value between a minimum and a maximum drawn as a bar, a pie, a needle or a
// bare percentage, optionally with the percentage written over it in the inverse of the colours
// under it. The picture is composed off-screen and copied in one step, so it never flickers.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <stdexcept>

namespace deraz {

enum TGaugeKind : uint8_t { gkText = 0, gkHorizontalBar = 1, gkVerticalBar = 2, gkPie = 3, gkNeedle = 4 };
enum TGaugeBorderStyle : uint8_t { bsNone = 0, bsSingle = 1 };

// Raised by a range setter given a value on the wrong side of the other end.
class EInvalidOperation : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget* Parent = nullptr);

    TGaugeKind Kind() const { return FKind; }
    void SetKind(TGaugeKind Value);
    int32_t MinValue() const { return FMinValue; }
    void SetMinValue(int32_t Value);
    int32_t MaxValue() const { return FMaxValue; }
    void SetMaxValue(int32_t Value);
    // Kept within MinValue..MaxValue; repaints only when Percent changes.
    int32_t Progress() const { return FProgress; }
    void SetProgress(int32_t Value);
    bool ShowText() const { return FShowText; }
    void SetShowText(bool Value);
    TGaugeBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TGaugeBorderStyle Value);
    QColor ForeColor() const { return FForeColor; }
    void SetForeColor(const QColor& Value);
    QColor BackColor() const { return FBackColor; }
    void SetBackColor(const QColor& Value);
    // Fills the corners around a pie or a needle.
    QColor Color() const;
    void SetColor(const QColor& Value);

    // Progress as a whole percentage of the range; 0 for an empty range.
    int32_t Percent() const;
    // The picture that painting copies onto the control.
    QImage Render() const;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QRect PaintRect() const;
    void DrawKind(QImage& Target, const QRect& R) const;
    void DrawText(QImage& Target, const QRect& R) const;

    TGaugeKind FKind = gkHorizontalBar;
    int32_t FMinValue = 0;
    int32_t FMaxValue = 100;
    int32_t FProgress = 0;
    bool FShowText = true;
    TGaugeBorderStyle FBorderStyle = bsSingle;
    QColor FForeColor = Qt::black;
    QColor FBackColor = Qt::white;
};

} // namespace deraz
