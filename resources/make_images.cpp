// Build-time painter of the two pictures the window reads at start:
// release/DecayModes2.png, a 220 x 150 diagram of one chopping period, and
// release/TorvelLogo.png, the logo of the About tab.
//
// and, when a second argument names it, the 256 x 256 application icon.
//
// Usage: make_images OUTPUT_DIRECTORY [ICON_FILE]   (run with QT_QPA_PLATFORM=offscreen)
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr QSize kDiagramSize(220, 150);
constexpr QSize kLogoSize(500, 120);
constexpr int kIconSize = 256;

// One chopping period of the winding current: rise during the on time (the
// blanking time at its start), then fast decay for the mixed-decay time and
// slow decay for the rest of the fixed off time.
QImage decayDiagram()
{
    QImage image(kDiagramSize, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const int axisY = 100;
    const QPointF start(10, 92), peak(70, 22), fastEnd(108, 62), offEnd(200, 80);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.drawLine(8, axisY, 212, axisY);
    p.drawLine(10, 16, 10, axisY);
    p.setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
    p.drawLine(QPointF(10, peak.y()), QPointF(212, peak.y())); // trip level

    p.fillRect(QRectF(10, 16, 22, axisY - 16), QColor(255, 228, 180)); // blanking
    p.fillRect(QRectF(peak.x(), 16, fastEnd.x() - peak.x(), axisY - 16), QColor(200, 220, 255));

    QPainterPath current(start);
    current.lineTo(peak);
    current.lineTo(fastEnd);
    current.lineTo(offEnd);
    p.setPen(QPen(QColor(0, 90, 200), 2));
    p.drawPath(current);

    p.setPen(QPen(Qt::black, 1));
    const int markY = 112;
    auto span = [&](qreal from, qreal to, int y) {
        p.drawLine(QPointF(from, y), QPointF(to, y));
        p.drawLine(QPointF(from, y - 3), QPointF(from, y + 3));
        p.drawLine(QPointF(to, y - 3), QPointF(to, y + 3));
    };
    span(10, peak.x(), markY - 96);          // on time, labelled at the top left
    span(10, 32, markY + 12);                // blanking
    span(peak.x(), fastEnd.x(), markY - 22); // mixed decay
    span(peak.x(), offEnd.x(), markY + 2);   // fixed off time
    QFont font;
    font.setPixelSize(9);
    p.setFont(font);
    p.drawText(QPointF(48, 12), QStringLiteral("Ton"));
    p.drawText(QPointF(78, 138), QStringLiteral("Tblank"));
    p.drawText(QPointF(140, 112), QStringLiteral("Toff"));
    p.drawText(QPointF(74, 86), QStringLiteral("Tdecay"));
    return image;
}

QImage logo()
{
    QImage image(kLogoSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, kLogoSize.width(), 0);
    band.setColorAt(0, QColor(20, 60, 120));
    band.setColorAt(1, QColor(40, 130, 200));
    p.setBrush(band);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(4, 10, kLogoSize.width() - 8, kLogoSize.height() - 20), 18, 18);

    QFont title;
    title.setPixelSize(54);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(24, 14, 360, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Torvel"));
    p.setPen(QColor(255, 200, 60));
    p.drawText(QRectF(250, 14, 140, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("M4"));
    QFont maker;
    maker.setPixelSize(18);
    p.setFont(maker);
    p.setPen(QColor(220, 235, 255));
    p.drawText(QRectF(28, 72, 440, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Marlox motor driver control"));
    return image;
}

// A rounded square with a stylised stepper rotor: eight teeth around a hub.
QImage icon()
{
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, kIconSize, kIconSize);
    band.setColorAt(0, QColor(20, 60, 120));
    band.setColorAt(1, QColor(40, 130, 200));
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRoundedRect(QRectF(8, 8, kIconSize - 16, kIconSize - 16), 40, 40);
    p.translate(kIconSize / 2.0, kIconSize / 2.0);
    p.setBrush(QColor(255, 200, 60));
    for (int tooth = 0; tooth < 8; ++tooth) {
        p.drawRoundedRect(QRectF(-14, -96, 28, 44), 6, 6);
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 58, 58);
    p.setBrush(QColor(20, 60, 120));
    p.drawEllipse(QPointF(0, 0), 20, 20);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY [ICON_FILE]\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path()))
        return 1;
    const bool ok = decayDiagram().save(out.filePath(QStringLiteral("DecayModes2.png"))) &&
                    logo().save(out.filePath(QStringLiteral("TorvelLogo.png")));
    const bool iconOk = argc < 3 || icon().save(QString::fromLocal8Bit(argv[2]));
    return ok && iconOk ? 0 : 1;
}
