-- Zentavo database: upgrade from version 3 to version 4.
-- Adds the charge book: the pair of readings each utility charge covers (one
-- charge per pair), meter replacements, voided charges, and an index for the
-- rent screen's look-up of a room's paid periods. Every row is kept; running
-- it again changes nothing:
--   sqlcmd -S host -d zentavo -U user -P pass -f 65001 -i upgrade-7.sql

IF OBJECT_ID('dbo.Zf_ChargeReading', 'U') IS NULL
BEGIN
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
    CREATE UNIQUE INDEX [UX_Zf_ChargeReading_to] ON [dbo].[Zf_ChargeReading] ([tablename], [totable], [toid])
    CREATE UNIQUE INDEX [UX_Zf_ChargeReading_from] ON [dbo].[Zf_ChargeReading] ([tablename], [fromtable], [fromid])
    CREATE UNIQUE INDEX [UX_Zf_ChargeReading_charge] ON [dbo].[Zf_ChargeReading] ([tablename], [chargeid])
END
GO
IF OBJECT_ID('dbo.Zf_MeterChange', 'U') IS NULL
BEGIN
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
    CREATE INDEX [IX_Zf_MeterChange_fangno] ON [dbo].[Zf_MeterChange] ([fangno], [meter], [changedate])
END
GO
IF OBJECT_ID('dbo.Zf_VoidCharge', 'U') IS NULL
BEGIN
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
    CREATE INDEX [IX_Zf_VoidCharge_voidtime] ON [dbo].[Zf_VoidCharge] ([voidtime])
END
GO
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = 'IX_Zf_Zujin_fangno_enddate')
    CREATE INDEX [IX_Zf_Zujin_fangno_enddate] ON [dbo].[Zf_Zujin] ([fangno], [enddate])
GO
