#pragma once
#include <QGridLayout>
#include <QHBoxLayout>
#include <QString>
#include <QStringList>

#include <initializer_list>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// How every screen builds its controls, so that a screen's constructor reads
// as the list of its controls and each control is made the same way:
//
//   FieldGrid fields;
//   Ed_Fh = fields.edit({0, 0}, QStringLiteral("房    号："), "Ed_Fh");
//   Ed_Xm = fields.aqua({0, 2}, QStringLiteral("客户姓名："), "Ed_Xm");
//   DT_Jkrq = fields.date({1, 0}, QStringLiteral("交款日期："), "DT_Jkrq");
//   ButtonRow buttons(this);
//   bitbtn_insert = buttons.add(QStringLiteral("新增"), "bitbtn_insert");
//   layout->addLayout(fields.layout());
//   layout->addLayout(buttons.layout());
//
// Every labelled control carries its object name, has its label as buddy (so
// the label's mnemonic and a screen reader find it) and an accessible name:
// the label's text without the colon and the blanks that pad it to width.
// Controls are made without a parent: they join the screen, in the order
// they were added, when the layout is put on it.

// Where a labelled control stands in a FieldGrid: the label in `column` of
// `row` (or above the control, for a grid of labels over their controls),
// the control in the next column, over `span` columns, aligned as `align`
// within its cell (the default fills the cell).
struct Cell {
    int row = 0;
    int column = 0;
    int span = 1;
    Qt::Alignment align = {};

    Cell(int row, int column, int span = 1, Qt::Alignment align = {})
        : row(row), column(column), span(span), align(align) {}
};

// A grid of labelled controls.
class FieldGrid {
public:
    // Labels to the left of their controls (right-aligned towards them), or
    // above them (the control in the row below, in the label's column).
    enum class Labels { Left, Above };

    explicit FieldGrid(Labels labels = Labels::Left);
    // Lays the fields out in `box` (a group box), which owns the grid.
    explicit FieldGrid(QWidget* box, Labels labels = Labels::Left);
    // Adds the fields to a grid made elsewhere.
    explicit FieldGrid(QGridLayout* grid, Labels labels = Labels::Left);

    QGridLayout* layout() const { return m_grid; }

    // A line edit.
    QLineEdit* edit(Cell cell, const QString& label, const char* name);
    // A field the screen fills in for the operator: disabled, on the aqua
    // ground the screens mark such fields with, its text black and readable.
    // A screen may still enable it where the operator may correct it.
    QLineEdit* aqua(Cell cell, const QString& label, const char* name);
    // A combo box with its items and nothing chosen. Typed: any text may be
    // typed (the items are suggestions) and it starts empty; Listed: only
    // the items may be chosen.
    enum class Choice { Typed, Listed };
    QComboBox* combo(Cell cell, const QString& label, const char* name, const QStringList& items,
                     Choice choice = Choice::Typed);
    // A date picker showing yyyy-MM-dd, with the calendar popup.
    QDateEdit* date(Cell cell, const QString& label, const char* name);
    // A check box, whose own text is its label and accessible name.
    QCheckBox* check(Cell cell, const QString& text, const char* name, bool checked = false);
    // Any other control, labelled the same way.
    template <class W> W* add(Cell cell, const QString& label, W* control, const char* name) {
        place(cell, label, control, name);
        return control;
    }

    // The label made for `control`, or nullptr.
    QLabel* labelOf(const QWidget* control) const;

private:
    void place(Cell cell, const QString& label, QWidget* control, const char* name);

    QGridLayout* m_grid;
    Labels m_labels;
};

// A push button that Enter in an edit never presses: neither default nor
// auto-default, so that Enter belongs to the field being typed in (a lookup,
// a search) and can never press 保存 or 修改 behind the operator's back. The
// text is taken as given, mnemonic included ("&P打印").
QPushButton* pushButton(const QString& text, const char* name, QWidget* parent = nullptr,
                        bool enabled = true);

// A check box or a radio button with its object name; its own text is its
// label and gives its accessible name.
QCheckBox* checkBox(const QString& text, const char* name, QWidget* parent = nullptr,
                    bool checked = false);
QRadioButton* radioButton(const QString& text, const char* name, QWidget* parent = nullptr,
                          bool checked = false);

// A row of such buttons, centred (room on both sides) or at the right.
class ButtonRow {
public:
    enum class Place { Centred, Right };

    // The buttons are made as children of `parent` (nullptr: they join the
    // screen with the layout).
    explicit ButtonRow(QWidget* parent = nullptr, Place place = Place::Centred);

    QPushButton* add(const QString& text, const char* name, bool enabled = true);
    // A button made elsewhere, placed next in the row.
    void add(QPushButton* button);
    // Empty room between the buttons before and after.
    void addSpacing(int pixels);

    QHBoxLayout* layout() const { return m_row; }

private:
    QWidget* m_parent;
    QHBoxLayout* m_row;
    bool m_centred;
};

// The accessible name a label gives its control: its text without the
// colon, the mnemonic marker and the blanks that pad it to width.
QString accessibleText(const QString& label);

// Paints a field on the aqua ground the screens mark the fields they fill in
// with; the text stays black when the field is disabled.
void setAqua(QWidget* control);

// Tab moves through the controls in the order given.
void setTabChain(std::initializer_list<QWidget*> controls);
