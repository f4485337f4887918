// Build-time painter of the two pictures the window reads at start:
// release/DecayModes2.png, a 220 x 150 diagram of one chopping period, and
// release/TorvelLogo.png, the logo of the About tab; and, when an icon theme
// folder is named, the application icon in it as hicolor/scalable/apps/NAME.svg
// and hicolor/SxS/apps/NAME.png for each size S given, all from one shape.
//
// Usage: make_images OUTPUT_DIRECTORY [ICON_THEME_DIRECTORY ICON_NAME SIZE...]
// (run with QT_QPA_PLATFORM=offscreen)
#include <QDir>
#include <QFile>
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

// The icon, a rounded square with a stylised stepper rotor (teeth around a
// hub), on a 256-unit canvas. Both the SVG and the PNGs are drawn from these.
namespace shape {
constexpr int kCanvas = 256;
constexpr QRectF kBody(8, 8, 240, 240);
constexpr qreal kBodyRadius = 40;
constexpr int kTeeth = 8;
constexpr QRectF kTooth(-14, -96, 28, 44); // around the centre, pointing up
constexpr qreal kToothRadius = 6;
constexpr qreal kHubRadius = 58;
constexpr qreal kBoreRadius = 20;
const QColor kDeep(20, 60, 120);
const QColor kLight(40, 130, 200);
const QColor kGold(255, 200, 60);
} // namespace shape

QImage icon(int size)
{
    using namespace shape;
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(size) / kCanvas, qreal(size) / kCanvas);
    QLinearGradient band(0, 0, kCanvas, kCanvas);
    band.setColorAt(0, kDeep);
    band.setColorAt(1, kLight);
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRoundedRect(kBody, kBodyRadius, kBodyRadius);
    p.translate(kCanvas / 2.0, kCanvas / 2.0);
    p.setBrush(kGold);
    for (int tooth = 0; tooth < kTeeth; ++tooth) {
        p.drawRoundedRect(kTooth, kToothRadius, kToothRadius);
        p.rotate(360.0 / kTeeth);
    }
    p.drawEllipse(QPointF(0, 0), kHubRadius, kHubRadius);
    p.setBrush(kDeep);
    p.drawEllipse(QPointF(0, 0), kBoreRadius, kBoreRadius);
    return image;
}

QByteArray iconSvg()
{
    using namespace shape;
    const QString centre = QString::number(kCanvas / 2.0);
    QString teeth;
    for (int tooth = 0; tooth < kTeeth; ++tooth)
        teeth += QStringLiteral("    <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" "
                                "transform=\"rotate(%6)\"/>\n")
                     .arg(kTooth.x())
                     .arg(kTooth.y())
                     .arg(kTooth.width())
                     .arg(kTooth.height())
                     .arg(kToothRadius)
                     .arg(tooth * 360.0 / kTeeth);
    const QString svg =
        QStringLiteral(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
            "viewBox=\"0 0 %1 %1\">\n"
            "  <defs>\n"
            "    <linearGradient id=\"band\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"0\" "
            "x2=\"%1\" y2=\"%1\">\n"
            "      <stop offset=\"0\" stop-color=\"%2\"/>\n"
            "      <stop offset=\"1\" stop-color=\"%3\"/>\n"
            "    </linearGradient>\n"
            "  </defs>\n"
            "  <rect x=\"%4\" y=\"%5\" width=\"%6\" height=\"%7\" rx=\"%8\" fill=\"url(#band)\"/>\n"
            "  <g transform=\"translate(%9 %9)\" fill=\"%10\">\n"
            "%11"
            "    <circle r=\"%12\"/>\n"
            "    <circle r=\"%13\" fill=\"%2\"/>\n"
            "  </g>\n"
            "</svg>\n")
            .arg(kCanvas)
            .arg(kDeep.name(), kLight.name())
            .arg(kBody.x())
            .arg(kBody.y())
            .arg(kBody.width())
            .arg(kBody.height())
            .arg(kBodyRadius)
            .arg(centre, kGold.name(), teeth)
            .arg(kHubRadius)
            .arg(kBoreRadius);
    return svg.toUtf8();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// The icon into an icon theme's hicolor folders, creating them.
bool writeIcons(const QDir& theme, const QString& name, const QStringList& sizes)
{
    const QString scalable = QStringLiteral("hicolor/scalable/apps");
    if (!theme.mkpath(scalable) ||
        !writeFile(theme.filePath(scalable + QLatin1Char('/') + name + QStringLiteral(".svg")),
                   iconSvg()))
        return false;
    for (const QString& size : sizes) {
        bool number = false;
        const int pixels = size.toInt(&number);
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(pixels);
        if (!number || pixels <= 0 || !theme.mkpath(folder) ||
            !icon(pixels).save(
                theme.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"))))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1 && args.size() < 4) {
        std::fprintf(stderr,
                     "usage: %s OUTPUT_DIRECTORY [ICON_THEME_DIRECTORY ICON_NAME SIZE...]\n",
                     argv[0]);
        return 2;
    }
    const QDir out(args.at(0));
    if (!QDir().mkpath(out.path()))
        return 1;
    const bool ok = decayDiagram().save(out.filePath(QStringLiteral("DecayModes2.png"))) &&
                    logo().save(out.filePath(QStringLiteral("TorvelLogo.png")));
    const bool iconOk = args.size() == 1 || writeIcons(QDir(args.at(1)), args.at(2), args.mid(3));
    return ok && iconOk ? 0 : 1;
}
