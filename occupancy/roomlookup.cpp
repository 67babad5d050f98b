#include "roomlookup.h"

LookupField::Config roomLookup(QLineEdit* edit, QTableView* grid, const QString& unfilteredSql,
                               const QString& filteredSql, int gridHeight)
{
    LookupField::Config room;
    room.edit = edit;
    room.grid = grid;
    room.unfilteredSql = unfilteredSql;
    room.filteredSql = filteredSql;
    room.filterParams = {QStringLiteral("fangno")};
    room.keyColumn = QStringLiteral("fangno");
    room.columns = {{"fangno", "房号"},    {"area", "面积"},   {"housetype", "户型"},
                    {"facetype", "朝向"},  {"sb", "家具设备"}, {"fangya", QStringLiteral("押金\u3000")},
                    {"fangprice", "月租"}, {"status", "状态"}};
    room.gridHeight = gridHeight;
    return room;
}
