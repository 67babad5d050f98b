#include "tgjcxform.h"

#include "screenbuilder.h"

#include <QComboBox>
#include <QCompleter>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { TitleColumn, OperatorColumn, ValueColumn, ConnectorColumn, ColumnCount };

const QString kCaption = QStringLiteral("高级查询");
const QString kOr = QStringLiteral("或");
const QString kAnd = QStringLiteral("并且");

// A value between single quotes; its own quotes are doubled so that they
// stay part of the value instead of ending the literal.
QString quoted(QString value) {
    return QLatin1Char('\'') + value.replace(QLatin1Char('\''), QLatin1String("''")) +
           QLatin1Char('\'');
}

} // namespace

TGjcxForm::TGjcxForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TGjcxForm"));
    setWindowTitle(kCaption);

    // The condition being put together: each box under its caption.
    using Choice = FieldGrid::Choice;
    FieldGrid inputs(FieldGrid::Labels::Above);
    Com_jl = inputs.combo({0, 0}, QStringLiteral("关键字"), "Com_jl", {}, Choice::Listed);
    Com_tj = inputs.combo({0, 1}, QStringLiteral("条件"), "Com_tj",
                          {QStringLiteral("<"), QStringLiteral("<="), QStringLiteral("="),
                           QStringLiteral(">"), QStringLiteral(">="), QStringLiteral("<>"),
                           QStringLiteral("like")},
                          Choice::Listed);
    Edit1 = inputs.edit({0, 2}, QStringLiteral("数据"), "Edit1");
    Com_lj = inputs.combo({0, 3}, QStringLiteral("连接"), "Com_lj", {QString(), kOr, kAnd},
                          Choice::Listed);
    Com_jl->setMinimumWidth(130);
    Com_tj->setMinimumWidth(70);
    Edit1->setMinimumWidth(130);
    Com_lj->setMinimumWidth(70);
    // The field names behind the captions of Com_jl, never shown.
    fieldname = new QComboBox(this);
    fieldname->setObjectName(QStringLiteral("fieldname"));
    fieldname->hide();

    // Enter in the value box must not press 确定 or 删除.
    ButtonRow buttons;
    BitBtn_Add = buttons.add(QStringLiteral("新增"), "BitBtn_Add");
    BitBtn_Del = buttons.add(QStringLiteral("删除"), "BitBtn_Del");
    BitBtn_OK = buttons.add(QStringLiteral("确定"), "BitBtn_OK");
    BitBtn_Exit = buttons.add(QStringLiteral("退出"), "BitBtn_Exit");

    StringGrid1 = new QTableWidget(1, ColumnCount);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setHorizontalHeaderLabels({QStringLiteral("关键字"), QStringLiteral("条件"),
                                            QStringLiteral("数值"), QStringLiteral("连接条件")});
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    StringGrid1->setMinimumSize(480, 200);
    StringGrid1->setCurrentCell(0, TitleColumn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputs.layout());
    layout->addLayout(buttons.layout());
    layout->addWidget(StringGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn_Add, &QPushButton::clicked, this, &TGjcxForm::BitBtn_AddClick);
    connect(BitBtn_Del, &QPushButton::clicked, this, &TGjcxForm::BitBtn_DelClick);
    connect(BitBtn_OK, &QPushButton::clicked, this, &TGjcxForm::BitBtn_OKClick);
    connect(BitBtn_Exit, &QPushButton::clicked, this, &TGjcxForm::BitBtn_ExitClick);
    // activated, not currentIndexChanged: choosing the connector shown
    // already (并且 again for the next row) must join the next row too.
    connect(Com_lj, &QComboBox::activated, this, &TGjcxForm::Com_ljChange);
    connect(Com_jl, &QComboBox::currentIndexChanged, this, &TGjcxForm::Com_jlChange);
}

void TGjcxForm::setFields(const QStringList& titles, const QStringList& fieldNames) {
    Com_jl->clear();
    Com_jl->addItems(titles);
    Com_jl->setCurrentIndex(-1);
    fieldname->clear();
    fieldname->addItems(fieldNames);
}

void TGjcxForm::addField(const QString& title, const QString& fieldName) {
    const int chosen = Com_jl->currentIndex();
    Com_jl->addItem(title);
    Com_jl->setCurrentIndex(chosen); // adding the first item must not choose it
    fieldname->addItem(fieldName);
}

void TGjcxForm::setValueCodes(const QString& fieldName,
                              const QList<std::pair<QString, QString>>& wordsAndCodes) {
    m_valueCodes.insert(fieldName, wordsAndCodes);
    Com_jlChange();
}

// The words of a coded field are offered as the value; other fields take
// whatever is typed.
void TGjcxForm::Com_jlChange() {
    const auto codes = m_valueCodes.constFind(fieldNameOf(Com_jl->currentText()));
    if (Com_jl->currentIndex() < 0 || codes == m_valueCodes.constEnd()) {
        if (Edit1->completer())
            Edit1->setCompleter(nullptr);
        Edit1->setPlaceholderText(QString());
        return;
    }
    QStringList words;
    for (const auto& [word, code] : *codes)
        words << word;
    auto* completer = new QCompleter(words, Edit1);
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    Edit1->setCompleter(completer);
    Edit1->setPlaceholderText(words.join(QStringLiteral(" / ")));
}

QString TGjcxForm::valueFor(const QString& fieldName, const QString& typed) const {
    for (const auto& [word, code] : m_valueCodes.value(fieldName))
        if (typed == word)
            return code;
    return typed;
}

QString TGjcxForm::cell(int row, int column) const {
    const QTableWidgetItem* item = StringGrid1->item(row, column);
    return item ? item->text() : QString();
}

void TGjcxForm::setCell(int row, int column, const QString& text) {
    if (QTableWidgetItem* item = StringGrid1->item(row, column))
        item->setText(text);
    else
        StringGrid1->setItem(row, column, new QTableWidgetItem(text));
}

// The field name at the position of the title among the field choices; ""
// when the caller gave no field name for that position.
QString TGjcxForm::fieldNameOf(const QString& title) const {
    const int position = Com_jl->findText(title, Qt::MatchExactly | Qt::MatchCaseSensitive);
    return position >= 0 && position < fieldname->count() ? fieldname->itemText(position)
                                                          : QString();
}

// 新增: fills the last row with the comparison as chosen and typed, then
// waits for the connector that joins it to the next row.
void TGjcxForm::BitBtn_AddClick() {
    if (Com_jl->currentIndex() < 0 || Com_tj->currentIndex() < 0 || m_awaitingConnector)
        return;
    const int last = StringGrid1->rowCount() - 1;
    setCell(last, TitleColumn, Com_jl->currentText());
    setCell(last, OperatorColumn, Com_tj->currentText());
    setCell(last, ValueColumn, Edit1->text());
    setCell(last, ConnectorColumn, Com_lj->currentText());
    m_awaitingConnector = true;
}

// A connector chosen for the filled last row joins it to a new empty row.
void TGjcxForm::Com_ljChange() {
    const QString connector = Com_lj->currentText();
    if (connector.isEmpty() || !m_awaitingConnector)
        return;
    const int last = StringGrid1->rowCount() - 1;
    setCell(last, ConnectorColumn, connector);
    StringGrid1->insertRow(last + 1);
    StringGrid1->setCurrentCell(last + 1, TitleColumn);
    m_awaitingConnector = false;
}

// 删除: empties the only row, or removes the row under the cursor. Only the
// last row can be empty, so every condition shown is one that 确定 uses:
// a connector is awaited only when the new last row holds a condition; an
// empty last row is filled by the next 新增.
void TGjcxForm::BitBtn_DelClick() {
    if (StringGrid1->rowCount() == 1) {
        for (int c = 0; c < ColumnCount; ++c)
            setCell(0, c, QString());
        m_awaitingConnector = false;
        return;
    }
    int row = StringGrid1->currentRow();
    if (row < 0)
        row = StringGrid1->rowCount() - 1;
    StringGrid1->removeRow(row);
    const int last = StringGrid1->rowCount() - 1;
    StringGrid1->setCurrentCell(last, TitleColumn);
    m_awaitingConnector = !cell(last, TitleColumn).isEmpty();
}

// 确定: the rows from the top, up to the first without a title, each a
// comparison " field operator 'value' ", joined by the connector stored in
// the row above (或 → or, 并且 → and).
void TGjcxForm::BitBtn_OKClick() {
    m_whereText.clear();
    QString word;
    for (int row = 0; row < StringGrid1->rowCount(); ++row) {
        const QString title = cell(row, TitleColumn);
        const QString field = fieldNameOf(title);
        if (title.isEmpty() || field.isEmpty())
            break;
        if (row > 0) {
            const QString connector = cell(row - 1, ConnectorColumn);
            if (connector == kOr)
                word = QStringLiteral("or");
            else if (connector == kAnd)
                word = QStringLiteral("and");
            m_whereText += word;
        }
        m_whereText += QStringLiteral(" %1 %2 %3 ")
                           .arg(field, cell(row, OperatorColumn),
                                quoted(valueFor(field, cell(row, ValueColumn))));
    }
    if (!m_whereText.trimmed().isEmpty())
        m_whereText.prepend(QStringLiteral(" where"));
    accept();
}

void TGjcxForm::BitBtn_ExitClick() {
    reject();
}

TZfSfGjcxForm::TZfSfGjcxForm(QWidget* parent) : TGjcxForm(parent) {
    setObjectName(QStringLiteral("TZfSfGjcxForm"));
    setWindowTitle(kCaption);
}

TLsSfGjCxForm::TLsSfGjCxForm(QWidget* parent) : TGjcxForm(parent) {
    setObjectName(QStringLiteral("TLsSfGjCxForm"));
    setWindowTitle(kCaption);
}

TRsSfGjCxForm::TRsSfGjCxForm(QWidget* parent) : TGjcxForm(parent) {
    setObjectName(QStringLiteral("TRsSfGjCxForm"));
    setWindowTitle(kCaption);
}

TYdSfGjcxForm::TYdSfGjcxForm(QWidget* parent) : TGjcxForm(parent) {
    setObjectName(QStringLiteral("TYdSfGjcxForm"));
    setWindowTitle(kCaption);
}
