-- The draw data service: users, the draw history, the key pairs of the
-- sign-in exchange, and the two procedures the program calls
-- ("Chk_Login" at sign-in, "ChangeUserPwd" from the change-password dialog).
--
-- Loaded by scripts/dataservice.sh into the database "ssq" as the cluster's
-- superuser. The program signs in as the role ssq_client, which may only
-- execute the two procedures: the tables stay out of its reach.

\set ON_ERROR_STOP on
SET client_min_messages = warning;

-- Users of the program. The password is kept as the client sends it: the
-- MD5 digest of the password, 32 lower-case hexadecimal digits.
CREATE TABLE users (
  user_name  varchar(50) PRIMARY KEY,
  pwd_digest char(32) NOT NULL CONSTRAINT users_digest_valid CHECK (pwd_digest ~ '^[0-9a-f]{32}$')
);

-- A draw is valid when all seven balls are present, the red ones are 1..33
-- ascending and the blue one is 1..16. Not strict on purpose: a missing ball
-- gives false, so a CHECK over it refuses nulls too.
CREATE FUNCTION draw_is_valid(r1 int, r2 int, r3 int, r4 int, r5 int, r6 int, b1 int)
RETURNS boolean LANGUAGE sql IMMUTABLE AS $$
  SELECT coalesce(1 <= r1 AND r1 < r2 AND r2 < r3 AND r3 < r4 AND r4 < r5 AND r5 < r6
                  AND r6 <= 33 AND 1 <= b1 AND b1 <= 16, false)
$$;

-- The draw history: date_no = year * 1000 + issue.
CREATE TABLE draws (
  date_no integer PRIMARY KEY CONSTRAINT draws_date_no_valid CHECK (date_no % 1000 BETWEEN 1 AND 999),
  r1 smallint, r2 smallint, r3 smallint, r4 smallint, r5 smallint, r6 smallint,
  b1 smallint,
  CONSTRAINT draws_balls_valid CHECK (draw_is_valid(r1, r2, r3, r4, r5, r6, b1))
);

-- The ten RSA key pairs of the exchange, as hexadecimal text. The program
-- carries the modulus and the public exponent of each; the private exponent
-- lives only here.
CREATE TABLE rsa_keys (
  key_index        smallint PRIMARY KEY CHECK (key_index BETWEEN 0 AND 9),
  modulus          text NOT NULL,
  public_exponent  text NOT NULL,
  private_exponent text NOT NULL
);

-- Big-integer helpers for the RSA block operation, on numeric (exact).
CREATE FUNCTION hex_to_numeric(hex text) RETURNS numeric LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  v numeric := 0;
  b bytea := decode(CASE WHEN length(hex) % 2 = 1 THEN '0' || hex ELSE hex END, 'hex');
BEGIN
  FOR i IN 0 .. length(b) - 1 LOOP
    v := v * 256 + get_byte(b, i);
  END LOOP;
  RETURN v;
END $$;

CREATE FUNCTION bytes_to_numeric(b bytea) RETURNS numeric LANGUAGE plpgsql IMMUTABLE STRICT AS $$
BEGIN
  RETURN hex_to_numeric(encode(b, 'hex'));
END $$;

-- The value as exactly len big-endian bytes (the value must fit).
CREATE FUNCTION numeric_to_bytes(v numeric, len int) RETURNS bytea LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  b bytea := decode(repeat('00', len), 'hex');
BEGIN
  FOR i IN REVERSE len - 1 .. 0 LOOP
    b := set_byte(b, i, mod(v, 256)::int);
    v := div(v, 256);
  END LOOP;
  RETURN b;
END $$;

CREATE FUNCTION mod_pow(base numeric, e numeric, m numeric) RETURNS numeric LANGUAGE plpgsql IMMUTABLE STRICT AS $$
DECLARE
  r numeric := 1;
BEGIN
  base := mod(base, m);
  WHILE e > 0 LOOP
    IF mod(e, 2) = 1 THEN r := mod(r * base, m); END IF;
    base := mod(base * base, m);
    e := div(e, 2);
  END LOOP;
  RETURN r;
END $$;

-- RSA with the private exponent of a key pair, for the client to undo with
-- the public one: the text is cut into chunks of at most (key bytes - 11)
-- bytes, each chunk padded as a PKCS#1 v1.5 type-1 block and raised to the
-- private exponent; the blocks are joined, written as Base64, and the Base64
-- text is sent as lower-case hexadecimal digits.
CREATE FUNCTION rsa_private_encrypt_hex(plain text, key_index_ int) RETURNS text
LANGUAGE plpgsql STABLE AS $$
DECLARE
  k rsa_keys;
  n numeric;
  d numeric;
  klen int;
  data bytea := convert_to(plain, 'UTF8');
  cipher bytea := ''::bytea;
  chunk bytea;
  block bytea;
  pos int := 0;
BEGIN
  SELECT * INTO STRICT k FROM rsa_keys WHERE key_index = key_index_;
  n := hex_to_numeric(k.modulus);
  d := hex_to_numeric(k.private_exponent);
  klen := (length(k.modulus) + 1) / 2;
  LOOP
    chunk := substring(data FROM pos + 1 FOR klen - 11);
    block := '\x0001'::bytea || decode(repeat('ff', klen - 3 - length(chunk)), 'hex') || '\x00'::bytea || chunk;
    cipher := cipher || numeric_to_bytes(mod_pow(bytes_to_numeric(block), d, n), klen);
    pos := pos + klen - 11;
    EXIT WHEN pos >= length(data);
  END LOOP;
  RETURN encode(convert_to(replace(encode(cipher, 'base64'), E'\n', ''), 'UTF8'), 'hex');
END $$;

-- Sign-in. Answers in its output parameters and one record set:
--   p_result  empty when signed in, otherwise the text to show the user
--   r_info    empty
-- Record 1 carries "info": seven random digits, the offsets added to the
-- seven ball columns of every draw, encrypted with the private half of the
-- key pair whose index is the first character of p_info. Record 2 is
-- reserved. Records 3.. are the draws, newest first, with "DateNo" as text
-- and "R1".."R6", "B1" each plus its offset.
-- A refused sign-in is one record holding only p_result.
-- The output parameters repeat on every record, which is how the ODBC
-- driver hands them to the caller.
CREATE FUNCTION chk_login(p_id varchar, p_pwd varchar, p_info varchar, p_ver varchar,
                          OUT p_result varchar, OUT r_info varchar, OUT info varchar,
                          OUT "DateNo" varchar,
                          OUT "R1" integer, OUT "R2" integer, OUT "R3" integer,
                          OUT "R4" integer, OUT "R5" integer, OUT "R6" integer,
                          OUT "B1" integer)
RETURNS SETOF record LANGUAGE plpgsql VOLATILE SECURITY DEFINER SET search_path = public, pg_temp AS $$
#variable_conflict use_column
DECLARE
  offs int[] := '{}';
  digits text := '';
BEGIN
  r_info := '';
  IF NOT EXISTS (SELECT 1 FROM users u WHERE u.user_name = p_id AND u.pwd_digest = p_pwd) THEN
    p_result := '用户名或密码错误！';
    RETURN NEXT;
    RETURN;
  END IF;
  IF coalesce(p_info, '') !~ '^[0-9]' THEN
    p_result := '登录请求无效，请更新程序！';
    RETURN NEXT;
    RETURN;
  END IF;

  FOR i IN 1 .. 7 LOOP
    offs := offs || floor(random() * 10)::int;
    digits := digits || offs[i]::text;
  END LOOP;
  p_result := '';
  info := rsa_private_encrypt_hex(digits, substr(p_info, 1, 1)::int);
  RETURN NEXT;
  info := NULL;
  RETURN NEXT;
  RETURN QUERY
    SELECT ''::varchar, ''::varchar, NULL::varchar, d.date_no::varchar,
           d.r1 + offs[1], d.r2 + offs[2], d.r3 + offs[3], d.r4 + offs[4],
           d.r5 + offs[5], d.r6 + offs[6], d.b1 + offs[7]
      FROM draws d
     ORDER BY d.date_no DESC;
END $$;

-- Change of password: the digests of the new and the old password. The
-- answer text is shown to the user as it stands.
CREATE FUNCTION changeuserpwd("UserName" varchar, "NewPwd" varchar, "OldPwd" varchar,
                              OUT p_result varchar)
LANGUAGE plpgsql VOLATILE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
  IF coalesce("NewPwd", '') !~ '^[0-9a-f]{32}$' THEN
    p_result := '新密码无效，密码未修改！';
    RETURN;
  END IF;
  UPDATE users SET pwd_digest = "NewPwd"
   WHERE user_name = "UserName" AND pwd_digest = "OldPwd";
  IF FOUND THEN
    p_result := '密码修改成功！';
  ELSE
    p_result := '用户名或旧密码错误，密码未修改！';
  END IF;
END $$;

-- The program's role may run the two procedures and nothing else.
REVOKE ALL ON ALL TABLES IN SCHEMA public FROM PUBLIC;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO ssq_client;
GRANT EXECUTE ON FUNCTION chk_login(varchar, varchar, varchar, varchar) TO ssq_client;
GRANT EXECUTE ON FUNCTION changeuserpwd(varchar, varchar, varchar) TO ssq_client;
