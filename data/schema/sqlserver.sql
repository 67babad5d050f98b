-- Zentavo database: tables, views and starting rows.
-- Run it once on a new, empty SQL Server database whose default collation is
-- Chinese_PRC_CI_AS, for example:
--   sqlcmd -S host -d zentavo -U user -P pass -f 65001 -i sqlserver.sql
-- The embedded database is created from this same script.

CREATE TABLE [dbo].[login_user] (
    [user_id] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [user_loginname] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL CONSTRAINT [UQ_login_user_loginname] UNIQUE,
    [user_name] [varchar] (10) COLLATE Chinese_PRC_CI_AS NULL,
    [user_password] [varchar] (10) COLLATE Chinese_PRC_CS_AS NULL,
    [award_1] [char] (1) NULL,
    [award_2] [char] (1) NULL,
    [award_3] [char] (1) NULL,
    [award_4] [char] (1) NULL
)
GO

CREATE TABLE [dbo].[Zf_Man] (
    [manid] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL CONSTRAINT [PK_Zf_Man] PRIMARY KEY,
    [manname] [varchar] (10) COLLATE Chinese_PRC_CI_AS NULL,
    [zjm] [varchar] (10) COLLATE Chinese_PRC_CI_AS NULL,
    [sex] [varchar] (2) NULL,
    [idcard] [varchar] (18) COLLATE Chinese_PRC_CI_AS NULL,
    [iddress] [varchar] (100) COLLATE Chinese_PRC_CI_AS NULL,
    [handset] [varchar] (20) COLLATE Chinese_PRC_CI_AS NULL,
    [company] [varchar] (100) COLLATE Chinese_PRC_CI_AS NULL
)
GO
CREATE INDEX [IX_Zf_Man_zjm] ON [dbo].[Zf_Man] ([zjm])
GO

CREATE TABLE [dbo].[Zf_Fangjian] (
    [fangno] [varchar] (8) COLLATE Chinese_PRC_CI_AS NOT NULL CONSTRAINT [PK_Zf_Fangjian] PRIMARY KEY,
    [area] [numeric] (10, 2) NULL,
    [housetype] [varchar] (20) COLLATE Chinese_PRC_CI_AS NULL,
    [facetype] [varchar] (10) COLLATE Chinese_PRC_CI_AS NULL,
    [sb] [varchar] (100) COLLATE Chinese_PRC_CI_AS NULL,
    [fangya] [numeric] (12, 2) NULL,
    [fangprice] [numeric] (12, 2) NOT NULL,
    [Ljf] [numeric] (12, 2) NULL
)
GO

CREATE TABLE [dbo].[Zf_Dj] (
    [djid] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [sfname] [varchar] (10) COLLATE Chinese_PRC_CI_AS NULL,
    [dw] [varchar] (6) COLLATE Chinese_PRC_CI_AS NULL,
    [price] [numeric] (12, 4) NULL
)
GO

CREATE TABLE [dbo].[Zf_Rz] (
    [id] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [manid] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_Zf_Rz_Zf_Man] REFERENCES [dbo].[Zf_Man] ([manid]) ON UPDATE CASCADE,
    [fangno] [varchar] (8) COLLATE Chinese_PRC_CI_AS NOT NULL CONSTRAINT [UQ_Zf_Rz_fangno] UNIQUE
        CONSTRAINT [FK_Zf_Rz_Zf_Fangjian] REFERENCES [dbo].[Zf_Fangjian] ([fangno]) ON UPDATE CASCADE,
    [begindate] [datetime] NULL,
    [enddate] [datetime] NULL,
    [status] [char] (1) NULL,
    [Tfdate] [datetime] NULL,
    [Tfj] [numeric] (12, 2) NULL
)
GO
CREATE INDEX [IX_Zf_Rz_manid] ON [dbo].[Zf_Rz] ([manid])
GO

CREATE TABLE [dbo].[zf_tf] (
    [id] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [manid] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_zf_tf_Zf_Man] REFERENCES [dbo].[Zf_Man] ([manid]) ON UPDATE CASCADE,
    [fangno] [varchar] (8) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_zf_tf_Zf_Fangjian] REFERENCES [dbo].[Zf_Fangjian] ([fangno]) ON UPDATE CASCADE,
    [begindate] [datetime] NULL,
    [tfdate] [datetime] NULL,
    [tfj] [numeric] (12, 2) NULL,
    [status] [char] (1) NULL
)
GO
CREATE INDEX [IX_zf_tf_manid] ON [dbo].[zf_tf] ([manid])
GO
CREATE INDEX [IX_zf_tf_fangno] ON [dbo].[zf_tf] ([fangno])
GO

CREATE TABLE [dbo].[Zf_Zujin] (
    [id] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [fangno] [varchar] (8) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_Zf_Zujin_Zf_Fangjian] REFERENCES [dbo].[Zf_Fangjian] ([fangno]) ON UPDATE CASCADE,
    [manid] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_Zf_Zujin_Zf_Man] REFERENCES [dbo].[Zf_Man] ([manid]) ON UPDATE CASCADE,
    [jkrq] [datetime] NULL,
    [fangya] [numeric] (12, 2) NULL,
    [fangprice] [numeric] (12, 2) NULL,
    [Ljf] [numeric] (12, 2) NULL,
    [Yf] [numeric] (12, 2) NULL,
    [sf] [numeric] (12, 2) NULL,
    [begindate] [datetime] NULL,
    [enddate] [datetime] NULL,
    [status] [char] (1) NULL
)
GO
CREATE INDEX [IX_Zf_Zujin_manid] ON [dbo].[Zf_Zujin] ([manid])
GO
CREATE INDEX [IX_Zf_Zujin_fangno] ON [dbo].[Zf_Zujin] ([fangno])
GO
CREATE INDEX [IX_Zf_Zujin_jkrq] ON [dbo].[Zf_Zujin] ([jkrq])
GO
CREATE INDEX [IX_Zf_Zujin_fangno_enddate] ON [dbo].[Zf_Zujin] ([fangno], [enddate])
GO

CREATE TABLE [dbo].[Zf_Lenshui] (
    [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [fangno] [varchar] (8) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_Zf_Lenshui_Zf_Fangjian] REFERENCES [dbo].[Zf_Fangjian] ([fangno]) ON UPDATE CASCADE,
    [manid] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_Zf_Lenshui_Zf_Man] REFERENCES [dbo].[Zf_Man] ([manid]) ON UPDATE CASCADE,
    [Jkrq] [datetime] NULL,
    [Sybd] [numeric] (10, 2) NULL,
    [Bybd] [numeric] (10, 2) NULL,
    [Sys] [numeric] (10, 2) NULL,
    [lsdj] [numeric] (12, 4) NULL,
    [Yfj] [numeric] (12, 2) NULL,
    [sfj] [numeric] (12, 2) NULL,
    [status] [char] (1) NULL
)
GO
CREATE INDEX [IX_Zf_Lenshui_manid] ON [dbo].[Zf_Lenshui] ([manid])
GO
CREATE INDEX [IX_Zf_Lenshui_fangno] ON [dbo].[Zf_Lenshui] ([fangno])
GO
CREATE INDEX [IX_Zf_Lenshui_Jkrq] ON [dbo].[Zf_Lenshui] ([Jkrq])
GO

CREATE TABLE [dbo].[Zf_Reshui] (
    [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [fangno] [varchar] (8) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_Zf_Reshui_Zf_Fangjian] REFERENCES [dbo].[Zf_Fangjian] ([fangno]) ON UPDATE CASCADE,
    [manid] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_Zf_Reshui_Zf_Man] REFERENCES [dbo].[Zf_Man] ([manid]) ON UPDATE CASCADE,
    [Jkrq] [datetime] NULL,
    [Sybd] [numeric] (10, 2) NULL,
    [Bybd] [numeric] (10, 2) NULL,
    [Sys] [numeric] (10, 2) NULL,
    [rsdj] [numeric] (12, 4) NULL,
    [Yfj] [numeric] (12, 2) NULL,
    [sfj] [numeric] (12, 2) NULL,
    [status] [char] (1) NULL
)
GO
CREATE INDEX [IX_Zf_Reshui_manid] ON [dbo].[Zf_Reshui] ([manid])
GO
CREATE INDEX [IX_Zf_Reshui_fangno] ON [dbo].[Zf_Reshui] ([fangno])
GO
CREATE INDEX [IX_Zf_Reshui_Jkrq] ON [dbo].[Zf_Reshui] ([Jkrq])
GO

CREATE TABLE [dbo].[Zf_YdSf] (
    [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [fangno] [varchar] (8) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_Zf_YdSf_Zf_Fangjian] REFERENCES [dbo].[Zf_Fangjian] ([fangno]) ON UPDATE CASCADE,
    [manid] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL
        CONSTRAINT [FK_Zf_YdSf_Zf_Man] REFERENCES [dbo].[Zf_Man] ([manid]) ON UPDATE CASCADE,
    [Jkrq] [datetime] NULL,
    [Sybd] [numeric] (10, 2) NULL,
    [Bybd] [numeric] (10, 2) NULL,
    [Sys] [numeric] (10, 2) NULL,
    [Yddj] [numeric] (12, 4) NULL,
    [Yfj] [numeric] (12, 2) NULL,
    [sfj] [numeric] (12, 2) NULL,
    [status] [char] (1) NULL
)
GO
CREATE INDEX [IX_Zf_YdSf_manid] ON [dbo].[Zf_YdSf] ([manid])
GO
CREATE INDEX [IX_Zf_YdSf_fangno] ON [dbo].[Zf_YdSf] ([fangno])
GO
CREATE INDEX [IX_Zf_YdSf_Jkrq] ON [dbo].[Zf_YdSf] ([Jkrq])
GO

-- The searches: every column a screen searches by what the operator types
-- first (fangno, manid, zjm) is indexed in each table above, and the server
-- reads "fangno LIKE 'text%'" as a range of that index; it needs no other
-- index for them. The embedded engine reads such a LIKE as the same range.
-- The embedded engine also keeps, in each charge table, an index over the
-- unsettled rows only (IX_<table>_unpaid: manid, fangno, the date, the amount
-- due, the money received and status, where isnull(status, '0') <> '1'), which the arrears
-- screen reads instead of every row. It makes that index itself: a filtered
-- index of the server cannot hold that condition, and the server needs none.

-- Per charge table, the last row written while the charging screens still
-- proposed 实收 = 应付 on unpaid rows; such a row's 实收 counts as nothing
-- received until it is settled. A database made new has no rows here.
CREATE TABLE [dbo].[Zf_MoneyRule] (
    [tablename] [varchar] (20) COLLATE Chinese_PRC_CI_AS NOT NULL CONSTRAINT [PK_Zf_MoneyRule] PRIMARY KEY,
    [lastoldid] [int] NOT NULL
)
GO

-- What a check-out settled, one line per item: the deposit received in the
-- let (xm 押金), each charge settled from it (房租, 冷水, 热水, 电费, with the
-- charge row's ID), and each deduction with its reason (扣款). je is the
-- deposit, the amount owed on the charge or the deduction; dk what the
-- deposit paid of it. The refund paid is zf_tf.tfj.
CREATE TABLE [dbo].[Zf_TfMx] (
    [id] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [tfid] [int] NOT NULL CONSTRAINT [FK_Zf_TfMx_zf_tf] REFERENCES [dbo].[zf_tf] ([id]),
    [xm] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [chargeid] [int] NULL,
    [jkrq] [datetime] NULL,
    [sm] [varchar] (60) COLLATE Chinese_PRC_CI_AS NULL,
    [je] [numeric] (12, 2) NULL,
    [dk] [numeric] (12, 2) NULL
)
GO
CREATE INDEX [IX_Zf_TfMx_tfid] ON [dbo].[Zf_TfMx] ([tfid])
GO

-- The pair of readings a utility charge covers: the earlier and the later
-- reading, each named by its monthly table and ID. One charge per pair and
-- kind: a reading ends at most one charged interval and begins at most one,
-- so two desks cannot both charge the same readings.
CREATE TABLE [dbo].[Zf_ChargeReading] (
    [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [tablename] [varchar] (20) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [chargeid] [int] NOT NULL,
    [fangno] [varchar] (8) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [fromtable] [varchar] (20) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [fromid] [int] NOT NULL,
    [fromdate] [datetime] NOT NULL,
    [totable] [varchar] (20) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [toid] [int] NOT NULL,
    [todate] [datetime] NOT NULL
)
GO
CREATE UNIQUE INDEX [UX_Zf_ChargeReading_to] ON [dbo].[Zf_ChargeReading] ([tablename], [totable], [toid])
GO
CREATE UNIQUE INDEX [UX_Zf_ChargeReading_from] ON [dbo].[Zf_ChargeReading] ([tablename], [fromtable], [fromid])
GO
CREATE UNIQUE INDEX [UX_Zf_ChargeReading_charge] ON [dbo].[Zf_ChargeReading] ([tablename], [chargeid])
GO

-- A meter replaced or wrapped: the old meter's final reading and the new
-- meter's start, on the day the new meter counts from (a reading of that day
-- is read from the new meter). meter is the reading column: lsb, rsb, db, mqb.
CREATE TABLE [dbo].[Zf_MeterChange] (
    [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [fangno] [varchar] (8) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [meter] [varchar] (3) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [changedate] [datetime] NOT NULL,
    [oldfinal] [numeric] (6, 2) NOT NULL,
    [newstart] [numeric] (6, 2) NOT NULL,
    [operator] [varchar] (10) COLLATE Chinese_PRC_CI_AS NULL,
    [entered] [datetime] NULL
)
GO
CREATE INDEX [IX_Zf_MeterChange_fangno] ON [dbo].[Zf_MeterChange] ([fangno], [meter], [changedate])
GO

-- Charges taken back: the row as it stood, moved out of its charge table,
-- with who voided it, when and why. A voided charge counts nowhere.
CREATE TABLE [dbo].[Zf_VoidCharge] (
    [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [tablename] [varchar] (20) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [chargeid] [int] NOT NULL,
    [fangno] [varchar] (8) COLLATE Chinese_PRC_CI_AS NULL,
    [manid] [varchar] (10) COLLATE Chinese_PRC_CI_AS NULL,
    [jkrq] [datetime] NULL,
    [fangya] [numeric] (12, 2) NULL,
    [fangprice] [numeric] (12, 2) NULL,
    [Ljf] [numeric] (12, 2) NULL,
    [begindate] [datetime] NULL,
    [enddate] [datetime] NULL,
    [Sybd] [numeric] (10, 2) NULL,
    [Bybd] [numeric] (10, 2) NULL,
    [Sys] [numeric] (10, 2) NULL,
    [dj] [numeric] (12, 4) NULL,
    [yf] [numeric] (12, 2) NULL,
    [sf] [numeric] (12, 2) NULL,
    [status] [char] (1) NULL,
    [voidby] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [voidtime] [datetime] NOT NULL,
    [reason] [varchar] (100) COLLATE Chinese_PRC_CI_AS NOT NULL
)
GO
CREATE INDEX [IX_Zf_VoidCharge_voidtime] ON [dbo].[Zf_VoidCharge] ([voidtime])
GO

-- Payments taken from a tenant against several charges at once: the payment,
-- the part of it applied to each charge (oldest first), and its reversal
-- (one per payment; a payment is never deleted).
CREATE TABLE [dbo].[Zf_Payment] (
    [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [manid] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [paydate] [datetime] NOT NULL,
    [amount] [numeric] (12, 2) NOT NULL,
    [way] [varchar] (10) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [note] [varchar] (100) COLLATE Chinese_PRC_CI_AS NULL,
    [operator] [varchar] (10) COLLATE Chinese_PRC_CI_AS NULL,
    [entered] [datetime] NULL
)
GO
CREATE INDEX [IX_Zf_Payment_manid] ON [dbo].[Zf_Payment] ([manid], [paydate])
GO
CREATE INDEX [IX_Zf_Payment_paydate] ON [dbo].[Zf_Payment] ([paydate])
GO

CREATE TABLE [dbo].[Zf_PaymentLine] (
    [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [paymentid] [int] NOT NULL,
    [tablename] [varchar] (20) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [chargeid] [int] NOT NULL,
    [amount] [numeric] (12, 2) NOT NULL
)
GO
CREATE UNIQUE INDEX [UX_Zf_PaymentLine_charge] ON [dbo].[Zf_PaymentLine] ([paymentid], [tablename], [chargeid])
GO
CREATE INDEX [IX_Zf_PaymentLine_chargeid] ON [dbo].[Zf_PaymentLine] ([tablename], [chargeid])
GO

CREATE TABLE [dbo].[Zf_PaymentReversal] (
    [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    [paymentid] [int] NOT NULL,
    [reason] [varchar] (100) COLLATE Chinese_PRC_CI_AS NOT NULL,
    [operator] [varchar] (10) COLLATE Chinese_PRC_CI_AS NULL,
    [reversetime] [datetime] NOT NULL
)
GO
CREATE UNIQUE INDEX [UX_Zf_PaymentReversal_payment] ON [dbo].[Zf_PaymentReversal] ([paymentid])
GO
CREATE INDEX [IX_Zf_PaymentReversal_time] ON [dbo].[Zf_PaymentReversal] ([reversetime])
GO

-- Rooms with their letting state: "1" when an occupancy row names the room.
CREATE VIEW [dbo].[fangjian] AS
SELECT F.fangno, F.area, F.housetype, F.facetype, F.sb, F.fangya, F.fangprice,
       CASE WHEN EXISTS (SELECT 1 FROM dbo.Zf_Rz R WHERE R.fangno = F.fangno) THEN '1' ELSE '0' END AS status
FROM dbo.Zf_Fangjian F
GO

CREATE VIEW [dbo].[fjcb] AS
SELECT F.fangno, F.area, F.housetype, F.facetype, F.sb, F.fangya, F.fangprice,
       CASE WHEN EXISTS (SELECT 1 FROM dbo.Zf_Rz R WHERE R.fangno = F.fangno) THEN '1' ELSE '0' END AS status
FROM dbo.Zf_Fangjian F
GO

-- Placeholder with the reading view's columns; the program redefines it over
-- this month's and last month's reading tables before it reads it.
CREATE VIEW [dbo].[XmXf] AS
SELECT C.manid, D.manname, D.zjm AS Zjm, C.fangno,
       C.begindate AS Cbrq, CAST(NULL AS numeric(6, 2)) AS lsb, CAST(NULL AS numeric(6, 2)) AS rsb,
       CAST(NULL AS numeric(6, 2)) AS db, CAST(NULL AS numeric(6, 2)) AS mqb,
       C.begindate AS bycbrq, CAST(NULL AS numeric(6, 2)) AS bylsb, CAST(NULL AS numeric(6, 2)) AS byrsb,
       CAST(NULL AS numeric(6, 2)) AS bydb, CAST(NULL AS numeric(6, 2)) AS bymqb
FROM dbo.Zf_Man D INNER JOIN dbo.Zf_Rz C ON D.manid = C.manid
WHERE 1 = 0
GO

-- The four charge items that charging reads by number, and the first
-- administrator (log in as admin / admin, then change the password).
INSERT INTO [dbo].[Zf_Dj] (sfname, dw, price) VALUES (N'冷水', N'吨', 3.5);
INSERT INTO [dbo].[Zf_Dj] (sfname, dw, price) VALUES (N'热水', N'吨', 18);
INSERT INTO [dbo].[Zf_Dj] (sfname, dw, price) VALUES (N'电', N'度', 0.6);
INSERT INTO [dbo].[Zf_Dj] (sfname, dw, price) VALUES (N'垃圾费', N'月', 10);
INSERT INTO [dbo].[login_user] (user_loginname, user_name, user_password, award_1, award_2, award_3, award_4)
VALUES ('admin', N'管理员', 'admin', '1', '1', '1', '1');
GO
