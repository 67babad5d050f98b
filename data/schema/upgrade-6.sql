-- Zentavo database: upgrade from version 5 to version 6 (version 5 changed only
-- the embedded file's mnemonic codes and needs no script on the server).
-- Each monthly reading table (zf_BiaodiYYYYMM) made before gains the index on
-- its room number that the program gives a new one: the utility screens
-- pair the readings by room. No row is touched. Run it once, after
-- upgrade-4.sql where that is needed; running it again changes nothing:
--   sqlcmd -S host -d zentavo -U user -P pass -f 65001 -i upgrade-6.sql

DECLARE @t sysname, @sql nvarchar(400)
DECLARE tables CURSOR LOCAL FOR
    SELECT o.name FROM sysobjects o
    WHERE o.xtype = 'U' AND o.name LIKE 'zf[_]Biaodi%'
      AND NOT EXISTS (SELECT 1 FROM sys.indexes i
                      WHERE i.object_id = o.id AND i.name = 'IX_' + o.name + '_fangno')
OPEN tables
FETCH NEXT FROM tables INTO @t
WHILE @@FETCH_STATUS = 0
BEGIN
    SET @sql = N'CREATE INDEX ' + QUOTENAME('IX_' + @t + '_fangno') + N' ON [dbo].' + QUOTENAME(@t) + N' ([fangno])'
    EXEC sp_executesql @sql
    FETCH NEXT FROM tables INTO @t
END
CLOSE tables
DEALLOCATE tables
GO
