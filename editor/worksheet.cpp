#include "worksheet.h"

#include "appcontext.h"
#include "breakpoint.h"
#include "command.h"
#include "commandsummary.h"
#include "hardwaredescription.h"
#include "programlistitemwidget.h"
#include "uilogging.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QSvgRenderer>

#include <algorithm>
#include <memory>

namespace {

constexpr double kMargin = 40;
constexpr double kFooter = 24;
constexpr double kContentWidth = Worksheet::kPageWidth - 2 * kMargin;
constexpr double kRowHeight = 34;
// A picture row is taller: its 8x8 picture is drawn large enough to copy.
constexpr double kPictureRowHeight = 72;
constexpr double kBoxHeight = 26;
constexpr double kIcon = 24;
constexpr double kGap = 6;
constexpr double kNumberWidth = 22;
constexpr double kNameWidth = 118;
constexpr double kConditionWidth = 112;
constexpr int kConfigurationColumns = 3;
constexpr double kConfigurationRow = 22;
const QColor kInk(20, 30, 40);
const QColor kMuted(90, 100, 110);
// The editor's row frames: the action box's dark teal, the condition box's green.
const QColor kActionFrame(5, 46, 60);
const QColor kConditionFrame(0, 128, 0);
const QColor kRowFrame(190, 205, 215);

QString text(const char *key)
{
    return AppContext::instance().text(QString::fromLatin1(key));
}

// Sizes in points: the painter draws in points on every device.
QFont font(double size, bool bold = false)
{
    QFont f;
    f.setPixelSize(qMax(1, qRound(size)));
    f.setBold(bold);
    return f;
}

void drawPicture(QPainter &painter, const QString &name, const QRectF &rect)
{
    // Drawn as vectors into a PDF or SVG; each picture is read once.
    static QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;
    const QString path = AppContext::instance().imageStore().filePath(name);
    std::shared_ptr<QSvgRenderer> &renderer = renderers[path];
    if (!renderer)
        renderer = std::make_shared<QSvgRenderer>(path);
    if (renderer->isValid())
        renderer->render(&painter, rect);
}

void drawText(QPainter &painter, const QRectF &rect, const QString &line, const QFont &f,
              Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter,
              const QColor &color = kInk)
{
    painter.setFont(f);
    painter.setPen(color);
    const QString fitted = QFontMetricsF(f).elidedText(line, Qt::ElideRight, rect.width());
    painter.drawText(rect, int(alignment), fitted);
}

void drawBox(QPainter &painter, const QRectF &rect, const QColor &frame)
{
    painter.setPen(QPen(frame, 1.5));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(rect, 6, 6);
}

// The 8x8 picture of an "mMatrix" row, whose summary is empty: what the robot shows.
void drawMatrix(QPainter &painter, const QRectF &box, const QJsonArray &cells)
{
    const double cell = (box.height() - 6) / 8;
    const QPointF origin(box.center().x() - 4 * cell, box.top() + 3);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 64; ++i) {
        const bool lit = cells.at(i).toVariant().toInt() == 1;
        painter.setBrush(lit ? QColor(220, 40, 40) : QColor(225, 228, 232));
        painter.drawEllipse(QRectF(origin.x() + (i % 8) * cell + 0.3,
                                   origin.y() + (i / 8) * cell + 0.3, cell - 0.6, cell - 0.6));
    }
}

// The notes of an "mMusic" row, whose summary is empty: "C4 C4 G4 …".
QString melodyText(const QJsonObject &action)
{
    QStringList notes;
    for (const QJsonValue &value : action.value(QLatin1String("sounds")).toArray()) {
        const QJsonObject sound = value.toObject();
        const QString note = sound.value(QLatin1String("note")).toString();
        notes << (note == QLatin1String("0")
                      ? QStringLiteral("–")
                      : note + sound.value(QLatin1String("octave")).toVariant().toString());
    }
    return QStringLiteral("\u266B ") + notes.join(QLatin1Char(' '));
}

void paintCommandRow(QPainter &painter, const QRectF &rect, int number, const QJsonObject &json)
{
    const QJsonObject action = json.value(QLatin1String("action")).toObject();
    const QString name = action.value(QLatin1String("command")).toString();
    const Command *menuEntry = AppContext::instance().commandMap().value(name);
    const double middle = rect.center().y();

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kRowFrame, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(0, 2, 0, -2), 6, 6);
    double x = rect.left();
    if (Breakpoint::isSet(json)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(220, 40, 40));
        painter.drawEllipse(QPointF(x + 4, middle), 3, 3);
    }
    drawText(painter, QRectF(x, rect.top(), kNumberWidth, rect.height()), QString::number(number),
             font(10), Qt::AlignRight | Qt::AlignVCenter, kMuted);
    x += kNumberWidth + kGap;
    if (menuEntry)
        drawPicture(painter, menuEntry->offIcon(), QRectF(x, middle - kIcon / 2, kIcon, kIcon));
    x += kIcon + kGap;
    // The tile's name on up to two lines, as the command menu's tool tip says it.
    painter.setFont(font(9));
    painter.setPen(kInk);
    painter.drawText(QRectF(x, rect.top() + 2, kNameWidth, rect.height() - 4),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                     menuEntry ? menuEntry->toolTip() : name);
    x += kNameWidth + kGap;

    const double conditionLeft = rect.right() - kGap - kConditionWidth - kGap - kIcon;
    const bool picture = name == QLatin1String("mMatrix");
    const double boxHeight = picture ? rect.height() - 8 : kBoxHeight;
    const QRectF actionBox(x, middle - boxHeight / 2, conditionLeft - kGap - x, boxHeight);
    drawBox(painter, actionBox, kActionFrame);
    const QString summary = actionSummary(json);
    if (picture)
        drawMatrix(painter, actionBox, action.value(QLatin1String("pict")).toArray());
    else
        drawText(painter, actionBox.adjusted(6, 0, -6, 0),
                 name == QLatin1String("mMusic") ? melodyText(action) : summary, font(11, true),
                 Qt::AlignCenter);

    const int kind = Command::conditionKindOf(json.value(QLatin1String("conditions")).toObject());
    drawPicture(painter, ProgramListItemWidget::conditionIconName(qMax(0, kind)),
                QRectF(conditionLeft, middle - kIcon / 2, kIcon, kIcon));
    const QRectF conditionBox(rect.right() - kGap - kConditionWidth, middle - kBoxHeight / 2,
                              kConditionWidth, kBoxHeight);
    drawBox(painter, conditionBox, kConditionFrame);
    drawText(painter, conditionBox.adjusted(4, 0, -4, 0), conditionsSummary(json), font(10, true),
             Qt::AlignCenter);
}

void paintEndRow(QPainter &painter, const QRectF &rect, const QString &label)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect.center().x() - 70, rect.top() + 3, 140, rect.height() - 6);
    drawBox(painter, box, kActionFrame);
    drawText(painter, box, label, font(10, true), Qt::AlignCenter);
}

} // namespace

Worksheet::Worksheet(const QJsonObject &document, const QString &name, const QDate &date)
    : m_document(document)
    , m_name(name)
    , m_date(date)
{
    addHeader();
    addConfiguration();
    const QJsonArray programs = document.value(QLatin1String("ProgData")).toArray();
    for (int i = 0; i < programs.size(); ++i)
        addProgram(i, programs.at(i).toArray());
}

void Worksheet::addHeader()
{
    const HardwareDescription *description = AppContext::instance().description();
    const QLocale locale(description ? description->localeName() : QString());
    const QString date = locale.toString(m_date, QLocale::LongFormat);
    const QString name = m_name;
    m_blocks.append({56, false, [name, date](QPainter &painter, const QRectF &rect) {
                         drawText(painter, QRectF(rect.left(), rect.top(), rect.width() * 0.7, 34),
                                  name, font(22, true));
                         drawText(painter, QRectF(rect.left(), rect.top(), rect.width(), 34), date,
                                  font(11), Qt::AlignRight | Qt::AlignVCenter, kMuted);
                         painter.setPen(QPen(kActionFrame, 1.5));
                         painter.drawLine(QPointF(rect.left(), rect.top() + 42),
                                          QPointF(rect.right(), rect.top() + 42));
                     }});
}

void Worksheet::addConfiguration()
{
    const AppContext &context = AppContext::instance();
    // A group (the 8x8 matrix) sits on several pins at once and is listed once, with them all.
    struct Entry
    {
        GadgetInfo gadget;
        QStringList pins;
    };
    QList<Entry> found;
    const QJsonArray pins = m_document.value(QLatin1String("configuration"))
                                .toObject()
                                .value(QLatin1String("pins"))
                                .toArray();
    for (const QJsonValue &value : pins) {
        const QJsonObject pin = value.toObject();
        const QString label = pin.value(QLatin1String("pinLbl")).toString();
        const GadgetInfo gadget =
            context.gadgetMap().value(pin.value(QLatin1String("gadgetId")).toInt());
        if (!gadget.isValid())
            continue;
        const QString pinName = context.pinByLabel(label).name;
        const auto group = std::find_if(found.begin(), found.end(), [&gadget](const Entry &e) {
            return e.gadget.kind == GadgetInfo::Group && e.gadget.id == gadget.id;
        });
        if (gadget.kind == GadgetInfo::Group && group != found.end())
            group->pins.append(pinName.isEmpty() ? label : pinName);
        else
            found.append({gadget, {pinName.isEmpty() ? label : pinName}});
    }
    QList<std::pair<QString, QString>> entries; // picture, "pins gadget"
    for (const Entry &entry : std::as_const(found))
        entries.append({entry.gadget.picture, entry.pins.join(QLatin1Char(' ')) +
                                                  QStringLiteral("  ") + entry.gadget.name});
    const QString heading = text("WorksheetConfiguration");
    const QString nothing = text("WorksheetNothingConnected");
    m_blocks.append({28, true, [heading](QPainter &painter, const QRectF &rect) {
                         drawText(painter, rect, heading, font(14, true));
                     }});
    if (entries.isEmpty()) {
        m_blocks.append(
            {kConfigurationRow, false, [nothing](QPainter &painter, const QRectF &rect) {
                 drawText(painter, rect, nothing, font(10), Qt::AlignLeft | Qt::AlignVCenter,
                          kMuted);
             }});
    }
    for (qsizetype first = 0; first < entries.size(); first += kConfigurationColumns) {
        const auto line = entries.mid(first, kConfigurationColumns);
        m_blocks.append(
            {kConfigurationRow, false, [line](QPainter &painter, const QRectF &rect) {
                 const double width = rect.width() / kConfigurationColumns;
                 for (qsizetype i = 0; i < line.size(); ++i) {
                     const double x = rect.left() + i * width;
                     drawPicture(painter, line.at(i).first, QRectF(x, rect.top() + 2, 18, 18));
                     drawText(painter, QRectF(x + 24, rect.top(), width - 28, rect.height()),
                              line.at(i).second, font(10));
                 }
             }});
    }
    m_blocks.append({14, false, [](QPainter &, const QRectF &) {}});
}

void Worksheet::addProgram(int index, const QJsonArray &commands)
{
    const QString heading = index == 0
                                ? text("ProgramLabel")
                                : QStringLiteral("%1 %2").arg(text("SubprogramLabel")).arg(index);
    m_blocks.append({30, true, [heading](QPainter &painter, const QRectF &rect) {
                         drawText(painter, rect.adjusted(0, 6, 0, 0), heading, font(14, true));
                     }});
    const QString begin = text("StartLabel");
    m_blocks.append({24, true, [begin](QPainter &painter, const QRectF &rect) {
                         paintEndRow(painter, rect, begin);
                     }});
    for (int i = 0; i < commands.size(); ++i) {
        const QJsonObject json = commands.at(i).toObject();
        const bool picture = json.value(QLatin1String("action"))
                                 .toObject()
                                 .value(QLatin1String("command"))
                                 .toString() == QLatin1String("mMatrix");
        m_blocks.append({picture ? kPictureRowHeight : kRowHeight, false,
                         [i, json](QPainter &painter, const QRectF &rect) {
                             paintCommandRow(painter, rect, i + 1, json);
                         }});
    }
    const QString end = text("EndLabel");
    m_blocks.append({24, false, [end](QPainter &painter, const QRectF &rect) {
                         paintEndRow(painter, rect, end);
                     }});
    m_blocks.append({10, false, [](QPainter &, const QRectF &) {}});
}

QList<Worksheet::Placed> Worksheet::paginate() const
{
    const double bottom = kPageHeight - kMargin - kFooter;
    QList<Placed> placed;
    int page = 0;
    double y = kMargin;
    for (qsizetype i = 0; i < m_blocks.size(); ++i) {
        // A heading and the block after it share a page; a block never splits.
        double needed = m_blocks.at(i).height;
        for (qsizetype next = i; m_blocks.at(next).keepWithNext && next + 1 < m_blocks.size();
             ++next)
            needed += m_blocks.at(next + 1).height;
        if (y + needed > bottom && y > kMargin) {
            ++page;
            y = kMargin;
        }
        placed.append({page, y});
        y += m_blocks.at(i).height;
    }
    return placed;
}

int Worksheet::pageCount() const
{
    const QList<Placed> placed = paginate();
    return placed.isEmpty() ? 1 : placed.last().page + 1;
}

double Worksheet::sheetHeight() const
{
    double height = 2 * kMargin;
    for (const Block &block : m_blocks)
        height += block.height;
    return height;
}

std::optional<Worksheet::Format> Worksheet::formatFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return Format::Pdf;
    if (suffix == QLatin1String("png"))
        return Format::Png;
    if (suffix == QLatin1String("svg"))
        return Format::Svg;
    return std::nullopt;
}

bool Worksheet::write(const QString &path) const
{
    const std::optional<Format> format = formatFor(path);
    if (!format) {
        qCWarning(lcUi).noquote() << "A worksheet is a .pdf, .png or .svg file, not" << path;
        return false;
    }
    return write(path, *format);
}

bool Worksheet::write(const QString &path, Format format) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcUi).noquote() << "Cannot write the worksheet" << path << ":"
                                  << file.errorString();
        return false;
    }
    bool painted = false;
    if (format == Format::Pdf) {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(m_name);
        writer.setCreator(text("ProgramName"));
        QPainter painter;
        painted = painter.begin(&writer);
        if (painted) {
            const QList<Placed> placed = paginate();
            const int pages = placed.isEmpty() ? 1 : placed.last().page + 1;
            painter.scale(writer.resolution() / 72.0, writer.resolution() / 72.0);
            for (int page = 0; page < pages; ++page) {
                if (page > 0)
                    writer.newPage();
                for (qsizetype i = 0; i < m_blocks.size(); ++i) {
                    if (placed.at(i).page == page)
                        m_blocks.at(i).paint(painter, QRectF(kMargin, placed.at(i).top,
                                                             kContentWidth, m_blocks.at(i).height));
                }
                paintFooter(painter, page, pages);
            }
            painted = painter.end();
        }
    } else if (format == Format::Png) {
        QImage image(QSize(qRound(kPageWidth * kPngScale), qRound(sheetHeight() * kPngScale)),
                     QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.scale(kPngScale, kPngScale);
        paintSheet(painter);
        painter.end();
        painted = image.save(&file, "PNG");
    } else {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(QSize(qRound(kPageWidth), qRound(sheetHeight())));
        generator.setViewBox(QRectF(0, 0, kPageWidth, sheetHeight()));
        generator.setTitle(m_name);
        QPainter painter;
        painted = painter.begin(&generator);
        if (painted) {
            painter.fillRect(QRectF(0, 0, kPageWidth, sheetHeight()), Qt::white);
            paintSheet(painter);
            painted = painter.end();
        }
    }
    if (!painted || !file.commit()) {
        qCWarning(lcUi).noquote() << "Cannot write the worksheet" << path << ":"
                                  << file.errorString();
        return false;
    }
    return true;
}

void Worksheet::paintSheet(QPainter &painter) const
{
    double y = kMargin;
    for (const Block &block : m_blocks) {
        block.paint(painter, QRectF(kMargin, y, kContentWidth, block.height));
        y += block.height;
    }
}

void Worksheet::paintFooter(QPainter &painter, int page, int pages) const
{
    const QRectF rect(kMargin, kPageHeight - kMargin - kFooter + 8, kContentWidth, kFooter - 8);
    const QString left = page == 0 ? text("ProgramName") : m_name;
    drawText(painter, rect, left, font(9), Qt::AlignLeft | Qt::AlignVCenter, kMuted);
    drawText(painter, rect, text("WorksheetPage").arg(page + 1).arg(pages), font(9),
             Qt::AlignRight | Qt::AlignVCenter, kMuted);
}
