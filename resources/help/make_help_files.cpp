// Build tool: makes the user guide "Help.pdf" from its source text and the
// window's screenshots, and draws the "NoPreview.png" placeholder picture.
// Runs at build time on Qt's offscreen platform (no display needed).
//
//   make_help_files help SOURCE.html SCREENSHOT_DIR OUT.pdf
//   make_help_files no-preview OUT.png

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cstdio>

namespace {

int makeHelp(const QString& source, const QString& screenshots, const QString& out)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(source));
        return 1;
    }
    QString html = QString::fromUtf8(file.readAll());

    QPdfWriter writer(out);
    writer.setTitle(QStringLiteral("Ostrel Recovery \u2013 User Guide"));
    writer.setCreator(QStringLiteral("Ostrel Recovery"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter);
    writer.setResolution(300);

    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    // Screenshots: every <img src="NAME"> is read from the screenshot folder
    // and laid out at the page's width at most.
    const double pageWidthPt = writer.pageLayout().paintRect(QPageLayout::Point).width();
    // A width alone leaves the picture's full height reserved in the
    // layout: every picture gets the height that keeps its proportions.
    QRegularExpression img(QStringLiteral("<img src=\"([^\"]+)\" width=\"([0-9]+)\">"));
    QString sized;
    qsizetype last = 0;
    for (auto it = img.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString name = m.captured(1);
        const QImage picture(QDir(screenshots).filePath(name));
        if (picture.isNull()) {
            std::fprintf(stderr, "missing screenshot %s\n", qPrintable(name));
            return 1;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(name), picture);
        const int width = std::min(m.captured(2).toInt(), static_cast<int>(pageWidthPt));
        const int height = width * picture.height() / std::max(1, picture.width());
        sized += html.mid(last, m.capturedStart() - last) +
                 QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\">").arg(name).arg(width).arg(height);
        last = m.capturedEnd();
    }
    html = sized + html.mid(last);
    doc.setHtml(html);
    doc.setPageSize(QSizeF(pageWidthPt, writer.pageLayout().paintRect(QPageLayout::Point).height()));
    doc.print(&writer);
    return QFileInfo(out).size() > 0 ? 0 : 1;
}

// A photo frame with a crossed-out picture: "no preview for this file".
int makeNoPreview(const QString& out)
{
    // 4:3, the shape of most photos, so it sits in the grid like them.
    QImage image(256, 192, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card(8, 8, 240, 176);
    p.setPen(QPen(QColor(168, 180, 196), 4));
    p.setBrush(QColor(240, 243, 247));
    p.drawRoundedRect(card, 18, 18);
    // Mountains and sun, greyed.
    QPainterPath hills;
    hills.moveTo(card.left() + 22, card.bottom() - 26);
    hills.lineTo(card.left() + 80, card.top() + 70);
    hills.lineTo(card.left() + 118, card.top() + 112);
    hills.lineTo(card.left() + 146, card.top() + 88);
    hills.lineTo(card.right() - 22, card.bottom() - 26);
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(196, 205, 217));
    p.drawPath(hills);
    p.drawEllipse(QPointF(card.right() - 52, card.top() + 42), 16, 16);
    // The slash.
    p.setPen(QPen(QColor(222, 88, 72), 12, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(card.left() + 18, card.bottom() - 10), QPointF(card.right() - 18, card.top() + 10));
    p.end();
    return image.save(out) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("help"))
        return makeHelp(args[2], args[3], args[4]);
    if (args.size() == 3 && args[1] == QLatin1String("no-preview"))
        return makeNoPreview(args[2]);
    std::fprintf(stderr, "usage: make_help_files help SOURCE.html SCREENSHOTS OUT.pdf | no-preview OUT.png\n");
    return 2;
}
