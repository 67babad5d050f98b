#include "gridexport.h"

#include "clock.h"
#include "messages.h"
#include "querymodel.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTableView>

#include <memory>

namespace {
constexpr qint64 kProgressStep = 2000;
const QString kCaption = QStringLiteral("房屋出租管理");

// The line's fields joined by commas, ended by CR LF, onto `line`.
void appendLine(QString& line, const QStringList& fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (i)
            line += QLatin1Char(',');
        line += csvField(fields[i]);
    }
    line += QStringLiteral("\r\n");
}

bool isValueType(const QVariant& display)
{
    switch (display.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::QDate:
    case QMetaType::QDateTime:
    case QMetaType::QTime:
        return true;
    default:
        return false;
    }
}

// Whether a query's column holds numbers or date-times, which are written as
// they are, so a spreadsheet reads -5 as the number -5. -1 when the model
// is not a query's: each value's own type decides then.
int valueColumn(const QAbstractItemModel& model, int column)
{
    if (!qobject_cast<const QueryModel*>(&model) || model.rowCount() == 0)
        return -1;
    const QVariant kind = model.data(model.index(0, column), QueryModel::KindRole);
    if (!kind.isValid())
        return -1;
    switch (FieldKind(kind.toInt())) {
    case FieldKind::Integer:
    case FieldKind::Decimal:
    case FieldKind::Float:
    case FieldKind::DateTime:
        return 1;
    default:
        return 0;
    }
}

} // namespace

QString guardedText(const QString& text)
{
    if (text.isEmpty())
        return text;
    switch (text[0].unicode()) {
    case u'=':
    case u'+':
    case u'-':
    case u'@':
    case u'\t':
    case u'\r':
        return QLatin1Char('\'') + text;
    default:
        return text;
    }
}

QString csvField(const QString& text)
{
    static const QString special = QStringLiteral(",\"\r\n");
    bool quote = false;
    for (const QChar c : text)
        if (special.contains(c)) {
            quote = true;
            break;
        }
    if (!quote)
        return text;
    QString q = text;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

qint64 writeCsv(QIODevice& out, const QAbstractItemModel& model, const std::function<bool(qint64)>& progress)
{
    out.write("\xEF\xBB\xBF");
    // A list still being read is read to its end: the file holds every row.
    if (const auto* list = qobject_cast<const QueryModel*>(&model))
        list->fetchAll();
    const int columns = model.columnCount();
    QStringList fields;
    for (int c = 0; c < columns; ++c)
        fields << model.headerData(c, Qt::Horizontal).toString();
    QString text;
    appendLine(text, fields);
    std::vector<int> valueColumns;
    for (int c = 0; c < columns; ++c)
        valueColumns.push_back(valueColumn(model, c));
    // Lines are gathered and written some hundred kilobytes at a time.
    const auto flush = [&] {
        out.write(text.toUtf8());
        text.clear();
    };
    const qint64 rows = model.rowCount();
    for (qint64 r = 0; r < rows; ++r) {
        fields.clear();
        for (int c = 0; c < columns; ++c) {
            const QVariant display = model.data(model.index(int(r), c));
            const QString cell = display.toString();
            const int value = valueColumns[size_t(c)];
            fields << ((value == 1 || (value < 0 && isValueType(display))) ? cell : guardedText(cell));
        }
        appendLine(text, fields);
        if (text.size() > 128 * 1024)
            flush();
        if (progress && (r + 1) % kProgressStep == 0 && !progress(r + 1))
            return -1;
    }
    flush();
    return rows;
}

QString exportGridToFile(QTableView* grid, const QString& path)
{
    const QAbstractItemModel* model = grid->model();
    if (!model)
        return QStringLiteral("列表为空，没有可导出的内容。");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("无法写入文件：%1\n%2").arg(QDir::toNativeSeparators(path), file.errorString());
    // The list holds tenants' particulars: readable by its owner only.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    std::unique_ptr<QProgressDialog> dialog;
    if (const auto* list = qobject_cast<const QueryModel*>(model))
        list->fetchAll();
    const qint64 rows = model->rowCount();
    if (rows > 5 * kProgressStep) {
        dialog = std::make_unique<QProgressDialog>(QStringLiteral("正在导出…"), QStringLiteral("取消"), 0,
                                                   int(rows), grid->window());
        dialog->setWindowTitle(kCaption);
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setMinimumDuration(0);
    }
    const qint64 written = writeCsv(file, *model, [&](qint64 done) {
        if (!dialog)
            return true;
        dialog->setValue(int(done));
        return !dialog->wasCanceled();
    });
    if (written < 0) {
        file.cancelWriting();
        return dialog && dialog->wasCanceled() ? QStringLiteral("导出已取消，文件未写入。")
                                               : QStringLiteral("导出失败：%1").arg(file.errorString());
    }
    if (!file.commit())
        return QStringLiteral("导出失败：%1").arg(file.errorString());
    return {};
}

void enableGridExport(QTableView* grid)
{
    auto* action = new QAction(QStringLiteral("导出…"), grid);
    action->setObjectName(QStringLiteral("Act_export"));
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid->addAction(action);
    QObject::connect(action, &QAction::triggered, grid, [grid] {
        QString name = grid->window()->windowTitle().trimmed();
        if (name.isEmpty())
            name = QStringLiteral("列表");
        name += Clock::today().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".csv");
        const QString path = QFileDialog::getSaveFileName(grid->window(), QStringLiteral("导出列表"),
                                                          QDir::home().filePath(name),
                                                          QStringLiteral("CSV 文件 (*.csv)"));
        if (path.isEmpty())
            return;
        const QString error = exportGridToFile(grid, path);
        if (error.isEmpty())
            showNotice(grid->window(), kCaption,
                       QStringLiteral("导出完成，共 %1 行。").arg(grid->model()->rowCount()), MsgIcon::NoIcon);
        else
            showNotice(grid->window(), QStringLiteral("Morvik提示"), error, MsgIcon::Warning);
    });
}
