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

void writeLine(QIODevice& out, const QStringList& fields)
{
    QString line;
    for (int i = 0; i < fields.size(); ++i) {
        if (i)
            line += QLatin1Char(',');
        line += csvField(fields[i]);
    }
    line += QStringLiteral("\r\n");
    out.write(line.toUtf8());
}

// Whether the cell holds a number or a date-time: by the column's kind when
// the model is a query's, else by the type of the value it gives. Such cells
// are written as they are, so a spreadsheet reads -5 as the number -5.
bool isValueCell(const QAbstractItemModel& model, const QModelIndex& index, const QVariant& display)
{
    const QVariant kind = model.data(index, QueryModel::KindRole);
    if (kind.isValid() && qobject_cast<const QueryModel*>(&model)) {
        switch (FieldKind(kind.toInt())) {
        case FieldKind::Integer:
        case FieldKind::Decimal:
        case FieldKind::Float:
        case FieldKind::DateTime:
            return true;
        default:
            return false;
        }
    }
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

QString cellText(const QAbstractItemModel& model, const QModelIndex& index)
{
    const QVariant display = model.data(index);
    const QString text = display.toString();
    return isValueCell(model, index, display) ? text : guardedText(text);
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
    const int columns = model.columnCount();
    QStringList fields;
    for (int c = 0; c < columns; ++c)
        fields << model.headerData(c, Qt::Horizontal).toString();
    writeLine(out, fields);
    const qint64 rows = model.rowCount();
    for (qint64 r = 0; r < rows; ++r) {
        fields.clear();
        for (int c = 0; c < columns; ++c)
            fields << cellText(model, model.index(int(r), c));
        writeLine(out, fields);
        if (progress && (r + 1) % kProgressStep == 0 && !progress(r + 1))
            return -1;
    }
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
