#include "gui/command_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace tarvo::gui {

namespace {

// Every picture is drawn on a 24 × 24 grid and rendered at a few sizes.
using Drawing = std::function<void(QPainter&)>;

QIcon render(const Drawing& draw) {
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPen outline(const QColor& colour, double width = 1.2) {
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

QLinearGradient vertical(double top, double bottom, const QColor& a, const QColor& b) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

void folder(QPainter& p) {
    QPainterPath back;
    back.moveTo(2.5, 5.5);
    back.lineTo(9, 5.5);
    back.lineTo(11, 7.5);
    back.lineTo(20.5, 7.5);
    back.lineTo(20.5, 19.5);
    back.lineTo(2.5, 19.5);
    back.closeSubpath();
    p.setPen(outline(QColor(0x9a, 0x6b, 0x12)));
    p.setBrush(vertical(5, 20, QColor(0xf3, 0xc8, 0x5a), QColor(0xd9, 0xa0, 0x2c)));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(2.5, 19.5);
    front.lineTo(5.5, 11);
    front.lineTo(22.5, 11);
    front.lineTo(20.5, 19.5);
    front.closeSubpath();
    p.setBrush(vertical(11, 20, QColor(0xff, 0xe3, 0x8f), QColor(0xf2, 0xbf, 0x45)));
    p.drawPath(front);
}

void disk(QPainter& p) {
    QPainterPath body;
    body.moveTo(3.5, 3.5);
    body.lineTo(17.5, 3.5);
    body.lineTo(20.5, 6.5);
    body.lineTo(20.5, 20.5);
    body.lineTo(3.5, 20.5);
    body.closeSubpath();
    p.setPen(outline(QColor(0x1d, 0x3f, 0x7a)));
    p.setBrush(vertical(3, 21, QColor(0x4f, 0x86, 0xd9), QColor(0x25, 0x55, 0xa8)));
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf4, 0xf6, 0xfa));
    p.drawRect(QRectF(6.5, 12.5, 11, 8));  // label
    p.setBrush(QColor(0xc9, 0xd3, 0xe3));
    p.drawRect(QRectF(7, 3.8, 9, 5.2));  // shutter
    p.setBrush(QColor(0x1d, 0x3f, 0x7a));
    p.drawRect(QRectF(12.8, 4.6, 2, 3.6));
    p.setPen(outline(QColor(0x9a, 0xa8, 0xbf), 0.8));
    p.drawLine(QPointF(8.5, 15), QPointF(15.5, 15));
    p.drawLine(QPointF(8.5, 17.5), QPointF(15.5, 17.5));
}

void printer(QPainter& p) {
    p.setPen(outline(QColor(0x60, 0x66, 0x70)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 2.5, 10, 8));  // paper in
    p.setBrush(vertical(9, 18, QColor(0xd8, 0xdc, 0xe2), QColor(0x9c, 0xa3, 0xad)));
    p.drawRoundedRect(QRectF(2.5, 9, 19, 9), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 14.5, 11, 7));  // paper out
    p.setPen(outline(QColor(0x8a, 0x90, 0x9a), 0.8));
    p.drawLine(QPointF(8.5, 17), QPointF(15.5, 17));
    p.drawLine(QPointF(8.5, 19.2), QPointF(13.5, 19.2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0xb3, 0x4a));
    p.drawEllipse(QPointF(18.6, 11.6), 1, 1);
}

// Two interlocked links: the line to the logger.
void link(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(QColor(0x1f, 0x6f, 0x3f), 3.4));
    p.save();
    p.translate(12, 12);
    p.rotate(-45);
    p.drawRoundedRect(QRectF(-10, -3.6, 11.5, 7.2), 3.6, 3.6);
    p.setPen(outline(QColor(0x3f, 0xb9, 0x6a), 2.0));
    p.drawRoundedRect(QRectF(-10, -3.6, 11.5, 7.2), 3.6, 3.6);
    p.setPen(outline(QColor(0x1f, 0x6f, 0x3f), 3.4));
    p.drawRoundedRect(QRectF(-1.5, -3.6, 11.5, 7.2), 3.6, 3.6);
    p.setPen(outline(QColor(0x3f, 0xb9, 0x6a), 2.0));
    p.drawRoundedRect(QRectF(-1.5, -3.6, 11.5, 7.2), 3.6, 3.6);
    p.restore();
}

// An arrow down into a tray: the history comes home.
void download(QPainter& p) {
    p.setPen(outline(QColor(0x2b, 0x4a, 0x78)));
    p.setBrush(vertical(14, 21, QColor(0xc5, 0xd6, 0xee), QColor(0x8c, 0xa9, 0xd3)));
    QPainterPath tray;
    tray.moveTo(2.5, 14.5);
    tray.lineTo(7, 14.5);
    tray.lineTo(8.5, 17);
    tray.lineTo(15.5, 17);
    tray.lineTo(17, 14.5);
    tray.lineTo(21.5, 14.5);
    tray.lineTo(21.5, 21);
    tray.lineTo(2.5, 21);
    tray.closeSubpath();
    p.drawPath(tray);
    QPainterPath arrow;
    arrow.moveTo(9.5, 2.5);
    arrow.lineTo(14.5, 2.5);
    arrow.lineTo(14.5, 9);
    arrow.lineTo(18, 9);
    arrow.lineTo(12, 15.5);
    arrow.lineTo(6, 9);
    arrow.lineTo(9.5, 9);
    arrow.closeSubpath();
    p.setPen(outline(QColor(0x1c, 0x7a, 0x36)));
    p.setBrush(vertical(2, 16, QColor(0x6c, 0xd6, 0x7f), QColor(0x28, 0xa0, 0x46)));
    p.drawPath(arrow);
}

// A circular arrow: write the parameters and start again.
void restart(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(QColor(0xb8, 0x52, 0x0c), 3.2));
    const QRectF ring(4, 4, 16, 16);
    p.drawArc(ring, 100 * 16, 290 * 16);
    p.setPen(outline(QColor(0xf5, 0x9a, 0x2e), 1.8));
    p.drawArc(ring, 100 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(11.4, 0.8);
    head.lineTo(17.5, 4.3);
    head.lineTo(11.6, 8.2);
    head.closeSubpath();
    p.setPen(outline(QColor(0xb8, 0x52, 0x0c), 1.0));
    p.setBrush(QColor(0xf5, 0x9a, 0x2e));
    p.drawPath(head);
}

// A live curve on a small screen, with a badge for start or stop.
void liveCurve(QPainter& p) {
    p.setPen(outline(QColor(0x3a, 0x4a, 0x5e)));
    p.setBrush(vertical(2, 17, QColor(0xfc, 0xfd, 0xff), QColor(0xdf, 0xe8, 0xf3)));
    p.drawRoundedRect(QRectF(1.5, 2.5, 17, 14), 1.5, 1.5);
    QPainterPath curve;
    curve.moveTo(3.5, 12);
    curve.cubicTo(6, 4, 8, 4, 10, 10);
    curve.cubicTo(12, 15, 14, 12, 16.5, 6);
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(QColor(0xd2, 0x35, 0x35), 1.4));
    p.drawPath(curve);
}

void liveStart(QPainter& p) {
    liveCurve(p);
    p.setPen(outline(Qt::white, 1.2));
    p.setBrush(QColor(0x2a, 0xa1, 0x4b));
    p.drawEllipse(QPointF(17, 17), 6, 6);
    QPainterPath play;
    play.moveTo(15, 14);
    play.lineTo(20.2, 17);
    play.lineTo(15, 20);
    play.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(play);
}

void liveStop(QPainter& p) {
    liveCurve(p);
    p.setPen(outline(Qt::white, 1.2));
    p.setBrush(QColor(0xc6, 0x2b, 0x2b));
    p.drawEllipse(QPointF(17, 17), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(14.6, 14.6, 4.8, 4.8));
}

// A stop sign: the logger stops recording.
void stopRecording(QPainter& p) {
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const double a = (22.5 + 45.0 * i) * 3.14159265358979 / 180.0;
        octagon << QPointF(12 + 9.8 * std::cos(a), 12 + 9.8 * std::sin(a));
    }
    p.setPen(outline(QColor(0x8e, 0x16, 0x16)));
    p.setBrush(vertical(2, 22, QColor(0xf0, 0x5a, 0x5a), QColor(0xc2, 0x22, 0x22)));
    p.drawPolygon(octagon);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(6.5, 10.3, 11, 3.4), 0.8, 0.8);
}

// A battery with a lightning bolt: the power mode.
void powerMode(QPainter& p) {
    p.setPen(outline(QColor(0x33, 0x40, 0x4f)));
    p.setBrush(vertical(6, 19, QColor(0xf7, 0xf9, 0xfb), QColor(0xd5, 0xdc, 0xe4)));
    p.drawRoundedRect(QRectF(1.5, 6.5, 18, 11), 2, 2);
    p.setBrush(QColor(0x33, 0x40, 0x4f));
    p.drawRect(QRectF(19.5, 9.5, 2.5, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7c, 0xc6, 0x4a));
    p.drawRect(QRectF(3.2, 8.2, 7, 7.6));
    QPainterPath bolt;
    bolt.moveTo(12.5, 3.5);
    bolt.lineTo(7.5, 12.8);
    bolt.lineTo(11, 12.8);
    bolt.lineTo(9.5, 20.5);
    bolt.lineTo(15.5, 10.8);
    bolt.lineTo(12, 10.8);
    bolt.closeSubpath();
    p.setPen(outline(QColor(0x9a, 0x5b, 0x00), 0.9));
    p.setBrush(QColor(0xff, 0xc8, 0x1e));
    p.drawPath(bolt);
}

// A nine-pin serial connector.
void serialConnector(QPainter& p) {
    QPainterPath shell;
    shell.moveTo(2, 6.5);
    shell.lineTo(22, 6.5);
    shell.lineTo(19, 17.5);
    shell.lineTo(5, 17.5);
    shell.closeSubpath();
    p.setPen(outline(QColor(0x3b, 0x44, 0x50)));
    p.setBrush(vertical(6, 18, QColor(0xc4, 0xcb, 0xd4), QColor(0x86, 0x90, 0x9d)));
    p.drawPath(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x25, 0x2c, 0x36));
    for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(5.6 + 3.2 * i, 10), 1.05, 1.05);
    for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(7.2 + 3.2 * i, 14), 1.05, 1.05);
}

void help(QPainter& p) {
    p.setPen(outline(QColor(0x1b, 0x4f, 0x9c)));
    p.setBrush(vertical(2, 22, QColor(0x5a, 0x9b, 0xf0), QColor(0x22, 0x62, 0xc4)));
    p.drawEllipse(QPointF(12, 12), 9.8, 9.8);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(2, 2.5, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
}

void chart(QPainter& p) {
    p.setPen(outline(QColor(0x2c, 0x3e, 0x57)));
    p.setBrush(vertical(2, 22, QColor(0xff, 0xff, 0xff), QColor(0xdc, 0xe6, 0xf2)));
    p.drawRoundedRect(QRectF(1.5, 2.5, 21, 19), 2, 2);
    QPainterPath a;
    a.moveTo(4, 16);
    a.cubicTo(8, 5, 11, 5, 13, 12);
    a.cubicTo(15, 18, 18, 14, 20.5, 7);
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(QColor(0xd2, 0x35, 0x35), 1.6));
    p.drawPath(a);
    QPainterPath b;
    b.moveTo(4, 12);
    b.cubicTo(8, 15, 12, 17, 20.5, 14);
    p.setPen(outline(QColor(0x1f, 0x78, 0xc8), 1.6));
    p.drawPath(b);
}

}  // namespace

QIcon commandIcon(std::string_view key) {
    if (key == "fileOpen") return render(folder);
    if (key == "fileSaveAs") return render(disk);
    if (key == "filePrint") return render(printer);
    if (key == "ToolLink") return render(link);
    if (key == "ToolDownload") return render(download);
    if (key == "ToolReset") return render(restart);
    if (key == "ToolRealStart") return render(liveStart);
    if (key == "ToolRealEnd") return render(liveStop);
    if (key == "ToolStop") return render(stopRecording);
    if (key == "ToolPowerMode") return render(powerMode);
    if (key == "SettingSerial") return render(serialConnector);
    if (key == "HelpContents") return render(help);
    return {};
}

QIcon programIcon() {
    return render(chart);
}

}  // namespace tarvo::gui
