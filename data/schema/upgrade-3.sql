-- Zentavo database: upgrade from version 2 to version 3.
-- From version 3 a charge's 实收 holds the money actually received (0 or a
-- part payment on an unpaid row). Unpaid rows written before keep their
-- values; Zf_MoneyRule records the last of them per charge table, so that
-- totals and arrears count their 实收 as nothing received. Run it once, after
-- upgrade-2.sql where that is needed; running it again changes nothing:
--   sqlcmd -S host -d zentavo -U user -P pass -f 65001 -i upgrade-3.sql

BEGIN TRANSACTION
IF OBJECT_ID('dbo.Zf_MoneyRule', 'U') IS NULL
BEGIN
    CREATE TABLE [dbo].[Zf_MoneyRule] (
        [tablename] [varchar] (20) COLLATE Chinese_PRC_CI_AS NOT NULL CONSTRAINT [PK_Zf_MoneyRule] PRIMARY KEY,
        [lastoldid] [int] NOT NULL
    )
    INSERT INTO [dbo].[Zf_MoneyRule] (tablename, lastoldid)
    SELECT 'Zf_Zujin', max(id) FROM [dbo].[Zf_Zujin] HAVING max(id) IS NOT NULL
    UNION ALL SELECT 'Zf_Lenshui', max(ID) FROM [dbo].[Zf_Lenshui] HAVING max(ID) IS NOT NULL
    UNION ALL SELECT 'Zf_Reshui', max(ID) FROM [dbo].[Zf_Reshui] HAVING max(ID) IS NOT NULL
    UNION ALL SELECT 'Zf_YdSf', max(ID) FROM [dbo].[Zf_YdSf] HAVING max(ID) IS NOT NULL
END
COMMIT TRANSACTION
GO
