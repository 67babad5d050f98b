-- Zentavo database: upgrade from version 3 to version 4.
-- Adds Zf_TfMx, the lines of each check-out's settlement (the deposit
-- received, the charges settled from it, the deductions with their reasons).
-- No row is touched. Run it once, after upgrade-3.sql where that is needed;
-- running it again changes nothing:
--   sqlcmd -S host -d zentavo -U user -P pass -f 65001 -i upgrade-4.sql

BEGIN TRANSACTION
IF OBJECT_ID('dbo.Zf_TfMx', 'U') IS NULL
BEGIN
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
    CREATE INDEX [IX_Zf_TfMx_tfid] ON [dbo].[Zf_TfMx] ([tfid])
END
COMMIT TRANSACTION
GO
