-- Zentavo database: upgrade from version 1 to version 2.
-- Version 2 gives Zf_Rz the check-out date Tfdate and the deposit returned Tfj.
-- A server database made with sqlserver.sql before these columns were in it
-- needs this once; running it again changes nothing. Every row is kept. For
-- example:
--   sqlcmd -S host -d zentavo -U user -P pass -f 65001 -i upgrade-2.sql
-- (The embedded database file upgrades itself when the program opens it.)

BEGIN TRANSACTION
IF COL_LENGTH('dbo.Zf_Rz', 'Tfdate') IS NULL
    ALTER TABLE [dbo].[Zf_Rz] ADD [Tfdate] [datetime] NULL
IF COL_LENGTH('dbo.Zf_Rz', 'Tfj') IS NULL
    ALTER TABLE [dbo].[Zf_Rz] ADD [Tfj] [numeric] (12, 2) NULL
COMMIT TRANSACTION
GO
