#pragma once
// The three register screens described for the maintenance cycle steps.
#include "../ui/tst_maintenance_cycle.h"

#include "tdanjiaform.h"
#include "tfangbasicform.h"
#include "tkfdjform.h"

inline ScreenCase tenantCase() {
    ScreenCase s;
    s.create = [] { return new TKfdjForm; };
    s.caption = "客户基本资料登记";
    s.labels = {{"Ed_Kubh", "客户编号："}, {"Ed_Xm", "姓名："}, {"Com_Xb", "性别："},
                {"Ed_Sfzh", "身份证号："}, {"Ed_Dz", "地址："}, {"Ed_Lxdh", "联系电话："},
                {"Ed_Dw", "单位："}};
    s.seed = {
        "insert into Zf_Man (manid,manname,zjm,sex,idcard,iddress,handset,company) values "
        "('K01','张三','ZS','1','110101199001011234','北京市东城区','13800000001','新华书店')",
        "insert into Zf_Man (manid,manname,zjm,sex,idcard,iddress,handset,company) values "
        "('K02','李四','LS','0','110101199202022345','上海市黄浦区','13800000002',null)",
        "insert into Zf_Man (manid,manname,zjm,sex,idcard,iddress,handset,company) values "
        "('K03','王五','WW','1','110101199303033456','广州市越秀区','13800000003','南方报社')"};
    s.tableSql =
        "select manid,manname,zjm,sex,idcard,iddress,handset,company from zf_man order by manid";
    s.grid = "DBGrid2";
    s.titles =
        QStringList{"客户编号", "姓名", "助记码", "性别", "身份证号", "身份证地址", "联系电话", "单位"};
    s.editable = QStringList{"Ed_Kubh", "Ed_Xm", "Com_Xb", "Ed_Sfzh", "Ed_Dz", "Ed_Lxdh", "Ed_Dw"};
    s.firstEdit = "Ed_Kubh";
    s.opened = {{"Ed_Kubh", "K01"},        {"Ed_Xm", "张三"},
                {"Com_Xb", "男"},          {"Ed_Sfzh", "110101199001011234"},
                {"Ed_Dz", "北京市东城区"}, {"Ed_Lxdh", "13800000001"},
                {"Ed_Dw", "新华书店"}};
    s.row1 = {{"Ed_Kubh", "K02"},
              {"Ed_Xm", "李四"},
              {"Com_Xb", "女"},
              {"Ed_Sfzh", "110101199202022345"},
              {"Ed_Dz", "上海市黄浦区"},
              {"Ed_Lxdh", "13800000002"},
              {"Ed_Dw", ""}};
    s.row1Key = "K02";
    s.record = [](int n) {
        return Texts{{"Ed_Kubh", QStringLiteral("T%1").arg(n)},
                     {"Ed_Xm", QStringLiteral("赵六%1").arg(n)},
                     {"Com_Xb", "男"},
                     {"Ed_Sfzh", QStringLiteral("44010119800101%1").arg(n, 4, 10, QChar(u'0'))},
                     {"Ed_Dz", QStringLiteral("深圳市南山区%1号").arg(n)},
                     {"Ed_Lxdh", QStringLiteral("1390000%1").arg(n, 4, 10, QChar(u'0'))},
                     {"Ed_Dw", "华南公司"}};
    };
    s.stored = [](int n) {
        return QStringLiteral(
                   "T%1|赵六%1|ZL%1|1|44010119800101%2|深圳市南山区%1号|1390000%2|华南公司")
            .arg(n)
            .arg(n, 4, 10, QChar(u'0'));
    };
    s.required = {{"Ed_Kubh", "请填写用户编号"},
                  {"Ed_Xm", "请填写用户姓名"},
                  {"Ed_Sfzh", "请填写用户身份证号"},
                  {"Ed_Lxdh", "请填写用户联系电话"},
                  {"Ed_Dz", "请填写身份证地址"}};
    s.blankControl = "Ed_Dz";
    s.refused = {"Ed_Kubh", "K02"};
    s.saveFailure = "操作失败，用户可能插入了相同的客户编号！";
    s.deleteQuestion = "确实要删除该客户吗?";
    // The refusal says what holds the tenant and what to do.
    s.deleteFailure = "操作用户失败！\n客户 K02 还有在住 1 处，不能删除；在住的请先办理退房，"
                      "有收费或退房记录的客户须保留登记。";
    s.blockDelete = {"insert into Zf_Fangjian (fangno, fangprice) values ('B1', 500)",
                     "insert into Zf_Rz (manid, fangno, status) values ('K02', 'B1', '1')"};
    s.emptyTable = "delete from zf_man";
    return s;
}

inline ScreenCase roomCase() {
    ScreenCase s;
    s.create = [] { return new TFangBasicForm; };
    s.caption = "出租房基本情况";
    s.labels = {{"Ed_Fh", "房号："},  {"Ed_Mj", "面积："},   {"Com_Fx", "户 型："},
                {"Com_Cx", "朝向："}, {"Ed_Sb", "设备："},   {"Ed_Yz", "月租："},
                {"Ed_Yj", "押 金："}, {"Ed_Ljf", "垃圾费："}};
    const QString insert =
        "insert into Zf_Fangjian (fangno,area,housetype,facetype,sb,fangya,fangprice,ljf) values ";
    s.seed = {insert + "('101', 30.5, '单房', '朝南', '床 桌子', 1000, 500, 5)",
              insert + "('102', 45, '一房一厅', '朝北', null, 1600, 800, 5)",
              insert + "('103', 60.25, '二房一厅', '朝东', '空调', 2000, 1000, 5)"};
    s.tableSql = "select fangno,area,housetype,facetype,sb,fangya,fangprice,ljf from zf_fangjian "
                 "order by fangno";
    s.grid = "DBGrid1";
    s.titles = QStringList{"房号", "面积", "户型", "朝向", "家具设备", "押金", "月租", "垃圾费"};
    s.editable = QStringList{"Ed_Fh", "Ed_Mj", "Com_Fx", "Com_Cx", "Ed_Sb", "Ed_Yz", "Ed_Yj"};
    s.displayOnly = QStringList{"Ed_Ljf"};
    s.firstEdit = "Ed_Fh";
    s.keptByInsert = QStringList{"Ed_Ljf"};
    // The refuse fee shows the price of item 4, never the row's own.
    s.opened = {{"Ed_Fh", "101"},     {"Ed_Mj", "30.5"}, {"Com_Fx", "单房"}, {"Com_Cx", "朝南"},
                {"Ed_Sb", "床 桌子"}, {"Ed_Yz", "500"},  {"Ed_Yj", "1000"},  {"Ed_Ljf", "10"}};
    s.row1 = {{"Ed_Fh", "102"}, {"Ed_Mj", "45"},  {"Com_Fx", "一房一厅"}, {"Com_Cx", "朝北"},
              {"Ed_Sb", ""},    {"Ed_Yz", "800"}, {"Ed_Yj", "1600"},      {"Ed_Ljf", "10"}};
    s.row1Key = "102";
    s.record = [](int n) {
        return Texts{{"Ed_Fh", QStringLiteral("R%1").arg(n)},
                     {"Ed_Mj", "52.75"},
                     {"Com_Fx", "三房二厅"},
                     {"Com_Cx", "朝西"},
                     {"Ed_Sb", "空调 冰箱"},
                     {"Ed_Yz", "1200"},
                     {"Ed_Yj", "2400"}};
    };
    s.stored = [](int n) {
        return QStringLiteral("R%1|52.75|三房二厅|朝西|空调 冰箱|2400|1200|10").arg(n);
    };
    s.required = {{"Ed_Fh", "请填写房号"},     {"Ed_Mj", "请填写房间面积"},
                  {"Com_Fx", "请填写户型"},    {"Com_Cx", "请填写朝向"},
                  {"Ed_Yz", "请填写月租信息"}, {"Ed_Yj", "请填写押金信息"}};
    s.blankControl = "Com_Cx";
    s.refused = {"Ed_Fh", "102"};
    s.saveFailure = "插入一操作房间失败，用户可能插入了相同的用户代号！";
    s.deleteQuestion = "确实要删除该房间吗?";
    s.deleteFailure = "操作房间失败！";
    s.blockDelete = {"insert into Zf_Man (manid, manname) values ('B1', '某人')",
                     "insert into Zf_Rz (manid, fangno, status) values ('B1', '102', '1')"};
    s.emptyTable = "delete from zf_fangjian";
    return s;
}

inline ScreenCase chargeItemCase() {
    ScreenCase s;
    s.create = [] { return new TDanJiaForm; };
    s.caption = "收费项目管理";
    s.labels = {
        {"Ed_bh", "编号："}, {"Ed_Name", "名称："}, {"Com_Dw", "单位："}, {"Ed_Dj", "单价："}};
    s.tableSql = "select sfname,dw,price from zf_dj order by djid";
    s.grid = "DBGrid1";
    s.titles = QStringList{"编号", "名称", "单位", "单价"};
    s.editable = QStringList{"Ed_Name", "Com_Dw", "Ed_Dj"};
    s.displayOnly = QStringList{"Ed_bh"};
    s.canDelete = false;
    s.firstEdit = "Ed_Name";
    s.keptByInsert = QStringList{"Ed_bh", "Com_Dw"};
    s.opened = {{"Ed_bh", ""}, {"Ed_Name", ""}, {"Com_Dw", ""}, {"Ed_Dj", ""}};
    s.row1 = {{"Ed_bh", "2"}, {"Ed_Name", "热水"}, {"Com_Dw", "吨"}, {"Ed_Dj", "18"}};
    s.row1Key = "热水";
    s.record = [](int n) {
        return Texts{
            {"Ed_Name", QStringLiteral("燃气%1").arg(n)}, {"Com_Dw", "方"}, {"Ed_Dj", "2.45"}};
    };
    s.stored = [](int n) { return QStringLiteral("燃气%1|方|2.45").arg(n); };
    s.refused = {"Ed_Dj", "abc"};
    s.saveFailure = "操作失败，用户可能插入了相同的编号！";
    s.emptyTable = "delete from zf_dj";
    return s;
}
