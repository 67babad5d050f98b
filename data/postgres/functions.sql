-- Functions and views through which a PostgreSQL server gives the program's
-- statements SQL Server's meaning. Installed with the tables; every statement
-- here can run again (CREATE OR REPLACE).

-- A text's key: ASCII letters in upper case, trailing blanks dropped, the
-- GB18030 bytes (GBK's for every character GBK has), which order as the
-- Chinese_PRC collations do. Texts equal without regard to case and trailing
-- blanks have equal keys.
CREATE OR REPLACE FUNCTION zt_key(text) RETURNS bytea LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT convert_to(upper(rtrim($1, ' ') COLLATE "C"), 'GB18030') $$;

-- The key of a text whose letter case counts: trailing blanks dropped only.
CREATE OR REPLACE FUNCTION zt_cskey(text) RETURNS bytea LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT convert_to(rtrim($1, ' '), 'GB18030') $$;

-- The range of keys a LIKE pattern can match when it only asks for the start
-- of a text ("10%": printable ASCII, one % at the end, no _ and no blank
-- before the %): from the start's key to just past every key beginning with
-- it (no GB18030 byte is 0xFF). Any other pattern: every key. The program's
-- LIKE keeps the ILIKE beside this range, which only lets the column's key
-- index be read instead of every row.
CREATE OR REPLACE FUNCTION zt_is_prefix(text) RETURNS boolean LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT $1 ~ '^[ -$&-^`-~]*[!-$&-^`-~]%$' $$;

CREATE OR REPLACE FUNCTION zt_like_lo(text) RETURNS bytea LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT CASE WHEN zt_is_prefix($1) THEN zt_key(left($1, -1)) ELSE '\x'::bytea END $$;

CREATE OR REPLACE FUNCTION zt_like_hi(text) RETURNS bytea LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT CASE WHEN zt_is_prefix($1) THEN zt_key(left($1, -1)) || '\xff'::bytea ELSE '\xff'::bytea END $$;

-- A text's width as the server counts a varchar: one byte for each ASCII
-- character, two for any other.
CREATE OR REPLACE FUNCTION zt_gbk_len(text) RETURNS integer LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT length($1) + length(regexp_replace($1, '[\x01-\x7f]+', '', 'g')) $$;

-- "Now": the program's clock when it fixed one for this session, else the
-- time the statement began, in the desk's time zone.
CREATE OR REPLACE FUNCTION getdate() RETURNS timestamp(3) LANGUAGE sql STABLE
AS $$ SELECT coalesce(nullif(current_setting('zentavo.now', true), '')::timestamp(3),
                      statement_timestamp()::timestamp(3)) $$;

-- A text compared with a numeric column, converted as the server converts
-- varchar to numeric.
CREATE OR REPLACE FUNCTION zt_num(text) RETURNS numeric LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE
AS $$
BEGIN
    IF btrim($1) !~ '^[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)$' THEN
        RAISE EXCEPTION 'Error converting data type varchar to numeric.' USING ERRCODE = '22018';
    END IF;
    RETURN btrim($1)::numeric;
END $$;
CREATE OR REPLACE FUNCTION zt_num(numeric) RETURNS numeric LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT $1 $$;

-- A text compared with a date-time column: an empty text is 1900-01-01.
CREATE OR REPLACE FUNCTION zt_dtarg(text) RETURNS timestamp(3) LANGUAGE plpgsql STABLE STRICT PARALLEL SAFE
AS $$
BEGIN
    IF btrim($1) = '' THEN
        RETURN '1900-01-01'::timestamp;
    END IF;
    RETURN $1::timestamp(3);
EXCEPTION WHEN invalid_datetime_format OR datetime_field_overflow OR invalid_parameter_value THEN
    RAISE EXCEPTION 'Conversion failed when converting date and/or time from character string.'
        USING ERRCODE = '22007';
END $$;
CREATE OR REPLACE FUNCTION zt_dtarg(timestamp) RETURNS timestamp(3) LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT $1 $$;

-- DATEPART and the functions of one part. Weeks begin on Sunday; week 1
-- holds 1 January; Sunday is weekday 1.
CREATE OR REPLACE FUNCTION datepart(text, timestamp) RETURNS integer LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT CASE $1
    WHEN 'year' THEN extract(year FROM $2)::int
    WHEN 'quarter' THEN extract(quarter FROM $2)::int
    WHEN 'month' THEN extract(month FROM $2)::int
    WHEN 'dayofyear' THEN extract(doy FROM $2)::int
    WHEN 'day' THEN extract(day FROM $2)::int
    WHEN 'week' THEN (extract(doy FROM $2)::int + extract(dow FROM date_trunc('year', $2))::int - 1) / 7 + 1
    WHEN 'weekday' THEN extract(dow FROM $2)::int + 1
    WHEN 'hour' THEN extract(hour FROM $2)::int
    WHEN 'minute' THEN extract(minute FROM $2)::int
    WHEN 'second' THEN floor(extract(second FROM $2))::int
    WHEN 'millisecond' THEN (extract(milliseconds FROM $2)::int % 1000)
END $$;
CREATE OR REPLACE FUNCTION datepart(text, text) RETURNS integer LANGUAGE sql STABLE STRICT
AS $$ SELECT datepart($1, zt_dtarg($2)) $$;
CREATE OR REPLACE FUNCTION year(timestamp) RETURNS integer LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT extract(year FROM $1)::int $$;
CREATE OR REPLACE FUNCTION month(timestamp) RETURNS integer LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT extract(month FROM $1)::int $$;
CREATE OR REPLACE FUNCTION day(timestamp) RETURNS integer LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT extract(day FROM $1)::int $$;
CREATE OR REPLACE FUNCTION year(text) RETURNS integer LANGUAGE sql STABLE STRICT
AS $$ SELECT year(zt_dtarg($1)) $$;
CREATE OR REPLACE FUNCTION month(text) RETURNS integer LANGUAGE sql STABLE STRICT
AS $$ SELECT month(zt_dtarg($1)) $$;
CREATE OR REPLACE FUNCTION day(text) RETURNS integer LANGUAGE sql STABLE STRICT
AS $$ SELECT day(zt_dtarg($1)) $$;

-- DATEADD; a month added to the 31st ends on the last day of a shorter month.
CREATE OR REPLACE FUNCTION dateadd(text, numeric, timestamp) RETURNS timestamp(3) LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT CASE $1
    WHEN 'year' THEN $3 + make_interval(years => trunc($2)::int)
    WHEN 'quarter' THEN $3 + make_interval(months => 3 * trunc($2)::int)
    WHEN 'month' THEN $3 + make_interval(months => trunc($2)::int)
    WHEN 'week' THEN $3 + make_interval(days => 7 * trunc($2)::int)
    WHEN 'hour' THEN $3 + make_interval(hours => trunc($2)::int)
    WHEN 'minute' THEN $3 + make_interval(mins => trunc($2)::int)
    WHEN 'second' THEN $3 + make_interval(secs => trunc($2))
    WHEN 'millisecond' THEN $3 + make_interval(secs => trunc($2) / 1000)
    ELSE $3 + make_interval(days => trunc($2)::int)
END $$;
CREATE OR REPLACE FUNCTION dateadd(text, numeric, text) RETURNS timestamp(3) LANGUAGE sql STABLE STRICT
AS $$ SELECT dateadd($1, $2, zt_dtarg($3)) $$;

-- DATEDIFF counts the boundaries crossed between the two moments.
CREATE OR REPLACE FUNCTION datediff(text, timestamp, timestamp) RETURNS integer LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT CASE $1
    WHEN 'year' THEN (extract(year FROM $3) - extract(year FROM $2))::int
    WHEN 'quarter' THEN ((extract(year FROM $3) * 4 + extract(quarter FROM $3))
                       - (extract(year FROM $2) * 4 + extract(quarter FROM $2)))::int
    WHEN 'month' THEN ((extract(year FROM $3) * 12 + extract(month FROM $3))
                     - (extract(year FROM $2) * 12 + extract(month FROM $2)))::int
    WHEN 'week' THEN (($3::date - $2::date) + extract(dow FROM $2)::int) / 7
    WHEN 'hour' THEN trunc(extract(epoch FROM $3 - $2) / 3600)::int
    WHEN 'minute' THEN trunc(extract(epoch FROM $3 - $2) / 60)::int
    WHEN 'second' THEN trunc(extract(epoch FROM $3 - $2))::int
    WHEN 'millisecond' THEN trunc(extract(epoch FROM $3 - $2) * 1000)::int
    ELSE $3::date - $2::date
END $$;
CREATE OR REPLACE FUNCTION datediff(text, text, timestamp) RETURNS integer LANGUAGE sql STABLE STRICT
AS $$ SELECT datediff($1, zt_dtarg($2), $3) $$;
CREATE OR REPLACE FUNCTION datediff(text, timestamp, text) RETURNS integer LANGUAGE sql STABLE STRICT
AS $$ SELECT datediff($1, $2, zt_dtarg($3)) $$;

-- A date-time as the program writes one, for a text standing in its place.
CREATE OR REPLACE FUNCTION zt_dttext(timestamp) RETURNS text LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT to_char($1, 'YYYY-MM-DD HH24:MI:SS.MS') $$;

-- LEN leaves out trailing blanks.
CREATE OR REPLACE FUNCTION len(text) RETURNS integer LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT length(rtrim($1, ' ')) $$;
CREATE OR REPLACE FUNCTION len(numeric) RETURNS integer LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
AS $$ SELECT length($1::text) $$;

-- "+": texts join, numbers add, a text added to a number is converted to a
-- number, a number added to a date-time adds days.
CREATE OR REPLACE FUNCTION zt_plus(text, text, text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$ SELECT $1 || $2 $$;
CREATE OR REPLACE FUNCTION zt_plus(integer, integer, text) RETURNS integer LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$ SELECT $1 + $2 $$;
CREATE OR REPLACE FUNCTION zt_plus(bigint, bigint, text) RETURNS bigint LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$ SELECT $1 + $2 $$;
CREATE OR REPLACE FUNCTION zt_plus(numeric, numeric, text) RETURNS numeric LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$ SELECT $1 + $2 $$;
CREATE OR REPLACE FUNCTION zt_plus(double precision, double precision, text) RETURNS double precision LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$ SELECT $1 + $2 $$;
CREATE OR REPLACE FUNCTION zt_plus(text, numeric, text) RETURNS numeric LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$ SELECT zt_num($1) + $2 $$;
CREATE OR REPLACE FUNCTION zt_plus(numeric, text, text) RETURNS numeric LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$ SELECT $1 + zt_num($2) $$;
CREATE OR REPLACE FUNCTION zt_plus(timestamp, numeric, text) RETURNS timestamp(3) LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$ SELECT $1 + make_interval(days => trunc($2)::int) $$;
CREATE OR REPLACE FUNCTION zt_plus(numeric, timestamp, text) RETURNS timestamp(3) LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$ SELECT $2 + make_interval(days => trunc($1)::int) $$;

-- The names of tables and key constraints as their statements wrote them;
-- the server keeps them in lower case.
CREATE TABLE IF NOT EXISTS zt_names (lowname varchar PRIMARY KEY, written varchar NOT NULL);

-- The object catalogue: tables, views and key constraints by name.
CREATE OR REPLACE VIEW sysobjects AS
SELECT (coalesce(w.written, c.relname)::varchar COLLATE "default") AS name,
       (CASE c.relkind WHEN 'r' THEN 'U' ELSE 'V' END)::varchar AS xtype,
       (CASE c.relkind WHEN 'r' THEN 'table' ELSE 'view' END)::varchar AS type,
       c.relname::varchar AS parent_name
FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace LEFT JOIN zt_names w ON w.lowname = c.relname
WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v')
  AND c.relname NOT LIKE 'zt\_%' AND c.relname <> 'sysobjects'
UNION ALL
SELECT (coalesce(w.written, k.conname)::varchar COLLATE "default"), 'PK'::varchar, 'index'::varchar, c.relname::varchar
FROM pg_constraint k JOIN pg_class c ON c.oid = k.conrelid JOIN pg_namespace n ON n.oid = c.relnamespace
     LEFT JOIN zt_names w ON w.lowname = k.conname
WHERE n.nspname = current_schema() AND k.contype = 'p' AND k.conname LIKE 'pk\_%';

-- The version of the tables, as an embedded file keeps it in its header.
CREATE TABLE IF NOT EXISTS zt_version (version integer NOT NULL);
