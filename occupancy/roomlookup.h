#pragma once
#include "lookupfield.h"

// The room lookup of check-in and meter reading: rooms found by the start of
// their number, listed with their area, type, facing, furniture, deposit,
// rent and whether they are let. `unfilteredSql` lists every room offered,
// `filteredSql` those whose number is like :fangno.
LookupField::Config roomLookup(QLineEdit* edit, QTableView* grid, const QString& unfilteredSql,
                               const QString& filteredSql, int gridHeight);
