-- Zentavo database: upgrade from version 7 to version 8.
-- Adds payments taken against several charges at once: the payment, the part
-- applied to each charge and the reversal of a payment. Every row is kept;
-- running it again changes nothing:
--   sqlcmd -S host -d zentavo -U user -P pass -f 65001 -i upgrade-8.sql

IF OBJECT_ID('dbo.Zf_Payment', 'U') IS NULL
BEGIN
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
    CREATE INDEX [IX_Zf_Payment_manid] ON [dbo].[Zf_Payment] ([manid], [paydate])
    CREATE INDEX [IX_Zf_Payment_paydate] ON [dbo].[Zf_Payment] ([paydate])
END
GO
IF OBJECT_ID('dbo.Zf_PaymentLine', 'U') IS NULL
BEGIN
    CREATE TABLE [dbo].[Zf_PaymentLine] (
        [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
        [paymentid] [int] NOT NULL,
        [tablename] [varchar] (20) COLLATE Chinese_PRC_CI_AS NOT NULL,
        [chargeid] [int] NOT NULL,
        [amount] [numeric] (12, 2) NOT NULL
    )
    CREATE UNIQUE INDEX [UX_Zf_PaymentLine_charge] ON [dbo].[Zf_PaymentLine] ([paymentid], [tablename], [chargeid])
    CREATE INDEX [IX_Zf_PaymentLine_chargeid] ON [dbo].[Zf_PaymentLine] ([tablename], [chargeid])
END
GO
IF OBJECT_ID('dbo.Zf_PaymentReversal', 'U') IS NULL
BEGIN
    CREATE TABLE [dbo].[Zf_PaymentReversal] (
        [ID] [int] IDENTITY (1, 1) NOT NULL PRIMARY KEY,
        [paymentid] [int] NOT NULL,
        [reason] [varchar] (100) COLLATE Chinese_PRC_CI_AS NOT NULL,
        [operator] [varchar] (10) COLLATE Chinese_PRC_CI_AS NULL,
        [reversetime] [datetime] NOT NULL
    )
    CREATE UNIQUE INDEX [UX_Zf_PaymentReversal_payment] ON [dbo].[Zf_PaymentReversal] ([paymentid])
    CREATE INDEX [IX_Zf_PaymentReversal_time] ON [dbo].[Zf_PaymentReversal] ([reversetime])
END
GO
