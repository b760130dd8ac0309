#include "controls/TGauge.h"

#include <QPainter>
#include <QPalette>
#include <cmath>
#include <limits>
#include <numbers>

namespace deraz {

namespace {

// The part of a length that a percentage covers.
int CoveredLength(int Length, int Percent) {
    return int(std::trunc(Length * Percent * 0.01));
}

QImage BlackLike(const QImage& Other) {
    QImage Result(Other.size(), QImage::Format_RGB32);
    Result.fill(Qt::black);
    return Result;
}

// Combines Source into Target pixel by pixel with exclusive or.
void XorInto(QImage& Target, const QImage& Source) {
    QPainter Painter(&Target);
    Painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    Painter.drawImage(0, 0, Source);
}

std::string RangeError(int64_t Low, int64_t High) {
    return "Value must be between " + std::to_string(Low) + " and " + std::to_string(High);
}

} // namespace

TGauge::TGauge(QWidget* Parent) : QWidget(Parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
}

void TGauge::SetKind(TGaugeKind Value) {
    if (Value == FKind) return;
    FKind = Value;
    update();
}

void TGauge::SetMinValue(int32_t Value) {
    if (Value == FMinValue) return;
    if (Value > FMaxValue)
        throw EInvalidOperation(RangeError(-std::numeric_limits<int32_t>::max(), int64_t(FMaxValue) - 1));
    FMinValue = Value;
    FProgress = std::max(FProgress, Value);
    update();
}

void TGauge::SetMaxValue(int32_t Value) {
    if (Value == FMaxValue) return;
    if (Value < FMinValue)
        throw EInvalidOperation(RangeError(int64_t(FMinValue) + 1, std::numeric_limits<int32_t>::max()));
    FMaxValue = Value;
    FProgress = std::min(FProgress, Value);
    update();
}

void TGauge::SetProgress(int32_t Value) {
    Value = std::clamp(Value, FMinValue, FMaxValue);
    if (Value == FProgress) return;
    int32_t OldPercent = Percent();
    FProgress = Value;
    if (Percent() != OldPercent) update();
}

void TGauge::SetShowText(bool Value) {
    if (Value == FShowText) return;
    FShowText = Value;
    update();
}

void TGauge::SetBorderStyle(TGaugeBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    update();
}

void TGauge::SetForeColor(const QColor& Value) {
    if (Value == FForeColor) return;
    FForeColor = Value;
    update();
}

void TGauge::SetBackColor(const QColor& Value) {
    if (Value == FBackColor) return;
    FBackColor = Value;
    update();
}

QColor TGauge::Color() const {
    return palette().color(QPalette::Window);
}

void TGauge::SetColor(const QColor& Value) {
    if (Value == Color()) return;
    QPalette Palette = palette();
    Palette.setColor(QPalette::Window, Value);
    setPalette(Palette);
    update();
}

int32_t TGauge::Percent() const {
    if (FMaxValue == FMinValue) return 0;
    return int32_t(std::trunc((double(FProgress) - FMinValue) * 100.0 / (double(FMaxValue) - FMinValue)));
}

QRect TGauge::PaintRect() const {
    // Left, top, right and bottom, with right and bottom exclusive.
    int Inset = FBorderStyle == bsSingle ? 1 : 0;
    return QRect(QPoint(Inset, Inset), QPoint(width() - Inset - 1, height() - Inset - 1));
}

QImage TGauge::Render() const {
    QImage Picture(size(), QImage::Format_RGB32);
    Picture.fill(Qt::black);
    QRect R = PaintRect();
    QImage Drawing = BlackLike(Picture);
    DrawKind(Drawing, R);
    XorInto(Picture, Drawing);
    if (FShowText) {
        QImage Text = BlackLike(Picture);
        DrawText(Text, R);
        XorInto(Picture, Text);
    }
    return Picture;
}

void TGauge::DrawKind(QImage& Target, const QRect& R) const {
    // Edges as left, top, right, bottom with right and bottom exclusive.
    const int Left = R.left(), Top = R.top(), Right = R.right() + 1, Bottom = R.bottom() + 1;
    const int P = Percent();
    QPainter Painter(&Target);
    auto Fill = [&](int L, int T, int Rt, int B, const QColor& C) {
        if (Rt > L && B > T) Painter.fillRect(QRect(L, T, Rt - L, B - T), C);
    };
    switch (FKind) {
    case gkText:
        Fill(Left, Top, Right, Bottom, FBackColor);
        break;
    case gkHorizontalBar: {
        Fill(Left, Top, Right, Bottom, FBackColor);
        const int W = Right - Left + 1, H = Bottom - Top + 1;
        const int Bar = std::min(CoveredLength(W, P), W);
        if (Bar >= 1) Fill(Left, Top, std::min(Bar, Right), std::min(H, Bottom), FForeColor);
        break;
    }
    case gkVerticalBar: {
        Fill(Left, Top, Right, Bottom, FBackColor);
        const int W = Right - Left + 1, H = Bottom - Top + 1;
        int Bar = CoveredLength(H, P);
        if (Bar >= H) Bar = H - 1;
        Fill(Left, std::max(H - Bar, Top), std::min(W, Right), std::min(H, Bottom), FForeColor);
        break;
    }
    case gkPie:
    case gkNeedle: {
        Fill(Left, Top, Right, Bottom, Color());
        const int Extra = FBorderStyle == bsSingle ? 1 : 0;
        const int W = Right - Left + Extra, H = Bottom - Top + Extra;
        Painter.setRenderHint(QPainter::Antialiasing, false);
        Painter.setPen(QPen(FForeColor, 1));
        Painter.setClipRect(R);
        if (FKind == gkPie) {
            const QRect Box(QPoint(Left, Top), QPoint(W - 1, H - 1));
            Painter.setBrush(FBackColor);
            Painter.drawEllipse(Box);
            if (P > 0) {
                // Clockwise from twelve o'clock, one percent for every 3.6 degrees.
                Painter.setBrush(FForeColor);
                Painter.drawPie(Box, 90 * 16, -int(std::lround(P * 3.6 * 16)));
            }
        } else {
            const QRect Box(QPoint(Left, Top), QPoint(W - 1, 2 * H - 2));
            Painter.setBrush(FBackColor);
            Painter.drawPie(Box, 0, 180 * 16);
            Painter.drawLine(Left, Bottom, Left + W, Bottom);
            if (P > 0) {
                const int C = width() / 2;
                const double A = P / 100.0 * std::numbers::pi;
                Painter.drawLine(C, Bottom - 1, int(std::lround(C * (1 - std::cos(A)))),
                                 int(std::lround((Bottom - 1) * (1 - std::sin(A)))));
            }
        }
        break;
    }
    }
}

void TGauge::DrawText(QImage& Target, const QRect& R) const {
    QFont TextFont = font();
    // Plain pixels, so that the exclusive or shows exactly the inverse colours.
    TextFont.setStyleStrategy(QFont::NoAntialias);
    QFontMetrics Metrics(TextFont);
    const QString Text = QString::number(Percent()) + "%";
    const int TextWidth = Metrics.horizontalAdvance(Text), TextHeight = Metrics.height();
    const int X = (R.width() + 1 - TextWidth) / 2, Y = (R.height() + 1 - TextHeight) / 2;
    QPainter Painter(&Target);
    Painter.setClipRect(R);
    Painter.setFont(TextFont);
    Painter.setPen(Qt::white);
    Painter.drawText(QRect(X, Y, TextWidth, TextHeight), Qt::AlignLeft | Qt::AlignTop, Text);
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter(this).drawImage(0, 0, Render());
}

} // namespace deraz
