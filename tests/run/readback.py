#!/usr/bin/env python3
# readback.py
#   Reads the DEL and IXF files an unload wrote back as the common readers
#   do, and compares every value with the rows of the DB2 stand-in's store.
#   DEL files go through Python's csv module; IXF files through the small
#   decoder below, written from the PC/IXF record layouts and independent of
#   the program's own IXF code.  LOB files named in DEL fields and IXF file
#   references are read and compared too, and so are the places LOB location
#   specifiers (OPTIONS LLS ON: "file.offset.length/") name.
#
#   Usage: readback.py --store DIR --ctl FILE --dir DIR [--encoding NAME]
#                      [--headers FILE]
#     --store     the database's store directory (main.db and <schema>.db)
#     --ctl       the control file of the unload: its SELECTs, with their
#                 OUTPUT, FORMAT, LOBFILE and FILEMAXSIZE, say what each file
#                 holds; the expected rows are the SELECT run on the store
#                 (SQLite runs the SELECT text as it stands)
#     --dir       where the unload wrote its files (its working directory)
#     --encoding  code page of the DEL files (default latin-1)
#     --headers   writes each IXF file's header records, less the date and
#                 time of the H record, so that two unloads can be compared
#   The C records of an IXF file must carry the defaults of the store's table
#   declaration (its DEFAULT texts), and only those, and a LOB column in a
#   LOB file its declared length.
#   Prints one line per difference and a summary; exits 1 when anything
#   differs or cannot be read.

import argparse
import csv
import decimal
import io
import os
import re
import sqlite3
import struct
import sys

problems = []


def problem(text):
    problems.append(text)
    print(text)


# ------------------------------------------------------------ control file

TOKEN = re.compile(r'\s+|--[^\n]*|"(?:[^"]|"")*"|\'(?:[^\']|\'\')*\'|[A-Za-z0-9_.$#@]+|.', re.S)


def tokens(text):
    out = []
    for m in TOKEN.finditer(text):
        t = m.group(0)
        if t.isspace() or t.startswith('--'):
            continue
        out.append((t, m.start(), m.end()))
    return out


def unquote(t):
    return t[1:-1].replace(t[0] * 2, t[0])


def parse_options(toks, i, opts):
    """Reads options until SELECT, UNLOAD or a block-ending ';'; returns the index reached."""
    while i < len(toks):
        word = toks[i][0].upper()
        if word in ('SELECT', 'UNLOAD', ';'):
            return i
        if word == 'OUTPUT' and toks[i + 1][0] == '(':
            # the file names, each perhaps followed by FOR PARTS (...): the rows are spread over them
            opts['output'] = []
            depth = 0
            i += 1
            while True:
                t = toks[i][0]
                depth += t == '('
                depth -= t == ')'
                if depth == 1 and t[0] == '"':
                    opts['output'].append(unquote(t))
                if depth == 0:
                    break
                i += 1
        elif word == 'LOBFILE' and toks[i + 1][0] == '(':
            opts['lobfile'] = unquote(toks[i + 2][0])
            while toks[i][0] != ')':
                i += 1
        elif word == 'FORMAT':
            opts['format'] = toks[i + 1][0].upper()
            i += 1
        elif word == 'FILEMAXSIZE':
            opts['filemaxsize'] = toks[i + 1][0]
            i += 1
        elif word == 'LLS':
            opts['lls'] = toks[i + 1][0].upper() == 'ON'
            i += 1
        i += 1
    return i


def parse_control(text):
    """The SELECTs of a control file with the options in force for each."""
    toks = tokens(text)
    selects = []
    glob, block = {}, {}
    i = 0
    while i < len(toks):
        word = toks[i][0].upper()
        if word == 'GLOBAL':
            i = parse_options(toks, i + 1, glob)
            i += 1
        elif word == 'UNLOAD':
            block = dict(glob)
            i = parse_options(toks, i + 3, block)   # UNLOAD TABLESPACE name
        elif word == 'SELECT':
            start = toks[i][1]
            while toks[i][0] != ';':
                i += 1
            sql = text[start:toks[i][1]].strip()
            opts = dict(block)
            i = parse_options(toks, i + 1, opts)
            opts['sql'] = sql
            selects.append(opts)
        else:
            i += 1
    return selects


# -------------------------------------------------------------- the store

def open_store(store):
    db = sqlite3.connect(os.path.join(store, 'main.db'))
    db.text_factory = bytes
    for name in os.listdir(store):
        if name.endswith('.db') and name != 'main.db':
            db.execute('ATTACH DATABASE ? AS "%s"' % name[:-3], (os.path.join(store, name),))
    return db


def table_info(db, sql):
    """(declared type, catalogue DEFAULT text or None) of each column, by name, of the table the SELECT reads."""
    m = re.search(r'\bFROM\s+([A-Za-z0-9_]+)\.([A-Za-z0-9_]+)', sql, re.I)
    schema, table = m.group(1).upper(), m.group(2).upper()
    rows = db.execute('PRAGMA "%s".table_info("%s")' % (schema, table)).fetchall()
    defaults = dict(db.execute('SELECT NAME, "DEFAULT" FROM SYSIBM.SYSCOLUMNS WHERE TBCREATOR = ? AND TBNAME = ?',
                               (schema, table)).fetchall())
    return {r[1].decode().upper(): (r[2].decode().upper(), None if defaults.get(r[1]) is None
                                    else as_text(defaults[r[1]])) for r in rows}


def declared_types(db, sql):
    """The declared type of each selected column, by name, from the table the SELECT reads."""
    return {n: t for n, (t, _) in table_info(db, sql).items()}


def declared_length(decl):
    """The length of a LOB declaration: CLOB(64K) is 65536."""
    m = re.search(r'\((\d+)\s*([KMG]?)\)', decl)
    if m is None:
        return 1048576
    return int(m.group(1)) * {'': 1, 'K': 1024, 'M': 1024 ** 2, 'G': 1024 ** 3}[m.group(2)]


def expected_rows(db, sql):
    cur = db.execute(sql)
    names = [d[0].upper() for d in cur.description]
    types = declared_types(db, sql)
    return names, [types[n] for n in names], cur.fetchall()


# ----------------------------------------------------------- comparisons

def kind(decl):
    base = decl.split('(')[0].strip()
    return {'CHAR': 'char', 'VARCHAR': 'text', 'LONG VARCHAR': 'text', 'CLOB': 'clob', 'BLOB': 'blob',
            'DATE': 'date', 'TIME': 'time', 'TIMESTAMP': 'timestamp', 'DECIMAL': 'decimal',
            'SMALLINT': 'int', 'INTEGER': 'int', 'BIGINT': 'int', 'DOUBLE': 'double', 'REAL': 'real'}[base]


def as_text(v):
    return v.decode('utf-8') if isinstance(v, bytes) else str(v)


def same(decl, expected, got):
    """got is the value read back, already decoded to Python (None for null)."""
    if expected is None or got is None:
        return expected is None and got is None
    k = kind(decl)
    if k == 'char':
        return as_text(expected).rstrip(' ') == got.rstrip(' ')
    if k in ('text', 'clob', 'time', 'timestamp'):
        return as_text(expected) == got
    if k == 'blob':
        return bytes(expected) == got
    if k == 'date':
        return as_text(expected).replace('-', '') == got.replace('-', '')
    if k == 'decimal':
        return decimal.Decimal(as_text(expected)) == got
    if k == 'int':
        return int(expected) == got
    if k == 'double':
        return float(expected) == got
    if k == 'real':
        return struct.unpack('<f', struct.pack('<f', float(expected)))[0] == got
    return False


def shown(v):
    text = repr(v)
    return text if len(text) <= 80 else '%s... (%d)' % (text[:60], len(v))


def differences(names, decls, exp, got):
    if len(got) != len(names):
        return ['%d fields, %d columns' % (len(got), len(names))]
    return ['column %s: %s read back, %s in the store' % (n, shown(g), shown(e))
            for n, d, e, g in zip(names, decls, exp, got) if not same(d, e, g)]


INLINE_LOB_MAX = 32700


def as_written(decls, rows, inline_lobs, csv_nulls):
    """The store's rows as the file can hold them: LOBs held in the row are their first 32700 bytes;
    Python's csv module reads an empty string as it reads a null (an empty field)."""
    out = []
    for row in rows:
        new = []
        for decl, v in zip(decls, row):
            if inline_lobs and kind(decl) in ('clob', 'blob') and v is not None:
                v = bytes(v)[:INLINE_LOB_MAX]
            in_file = not inline_lobs and kind(decl) in ('clob', 'blob')
            if csv_nulls and not in_file and isinstance(v, bytes) and v == b'' and kind(decl) != 'char':
                v = None
            new.append(v)
        out.append(new)
    return out


def compare(label, names, decls, expected, got_rows):
    """Row by row; rows in another order than the store's are matched as a whole."""
    if len(got_rows) != len(expected):
        problem('%s: %d rows read back, %d in the store' % (label, len(got_rows), len(expected)))
    positional = [(r, d) for r, (e, g) in enumerate(zip(expected, got_rows)) for d in differences(names, decls, e, g)]
    if positional:
        unused = list(expected)
        for g in got_rows:
            match = next((e for e in unused if not differences(names, decls, e, g)), None)
            if match is None:
                break
            unused.remove(match)
        else:
            positional = []
    for r, d in positional:
        problem('%s row %d %s' % (label, r + 1, d))
    return sum(len(x) for x in got_rows)


def lob_file(directory, name):
    path = os.path.join(directory, name)
    try:
        with open(path, 'rb') as f:
            return f.read()
    except OSError as e:
        problem('LOB file %s: %s' % (path, e))
        return None


LLS = re.compile(r'^(.+)\.(\d+)\.(\d+)/$', re.S)


def lob_place(directory, text):
    """The bytes a LOB location specifier "file.offset.length/" names."""
    m = LLS.match(text)
    if m is None:
        problem('location specifier %r' % text)
        return None
    data = lob_file(directory, m.group(1))
    offset, length = int(m.group(2)), int(m.group(3))
    if data is not None and offset + length > len(data):
        problem('location specifier %r: the file holds %d bytes' % (text, len(data)))
    return None if data is None else data[offset:offset + length]


# ------------------------------------------------------------------ DEL

def read_del(path, decls, encoding, lobfile, directory, lls=False):
    with open(path, 'r', encoding=encoding, newline='') as f:
        text = f.read()
    rows = []
    reader = csv.reader(io.StringIO(text, newline=''), delimiter=',', quotechar='"', doublequote=True, strict=True)
    while True:
        try:
            fields = next(reader)
        except StopIteration:
            break
        except csv.Error as e:
            problem('%s line %d: %s' % (path, reader.line_num, e))
            break
        if len(fields) != len(decls):
            rows.append(fields)
            continue
        row = []
        for decl, field in zip(decls, fields):
            k = kind(decl)
            if field == '':
                row.append(None)   # an empty field is a null: the data set holds no empty strings
            elif k in ('clob', 'blob') and lobfile:
                data = lob_place(directory, field) if lls else lob_file(directory, field)
                row.append(None if data is None else (data if k == 'blob' else data.decode(encoding)))
            elif k == 'blob':
                row.append(field.encode(encoding))
            elif k == 'decimal':
                row.append(decimal.Decimal(field))
            elif k == 'int':
                row.append(int(field))
            elif k in ('double', 'real'):
                row.append(float(field))
            else:
                row.append(field)
        rows.append(row)
    return rows


# ------------------------------------------------------------------ IXF

def ixf_records(data, path):
    at = 0
    while at < len(data):
        if at + 7 > len(data) or not data[at:at + 6].isdigit():
            problem('%s: no record length at offset %d' % (path, at))
            return
        length = int(data[at:at + 6])
        record = data[at:at + 6 + length]
        if len(record) != 6 + length:
            problem('%s: record at offset %d is cut' % (path, at))
            return
        yield record
        at += 6 + length


def ixf_columns(records, path):
    h = t = None
    columns = []
    rest = []
    for rec in records:
        kind_ = rec[6:7]
        if kind_ == b'H' and h is None and not columns:
            h = rec
        elif kind_ == b'T' and t is None:
            t = rec
        elif kind_ == b'C':
            n = int(rec[7:10])
            columns.append({'name': rec[10:10 + n].decode('latin-1'), 'nullable': rec[266:267] == b'Y',
                            'type': int(rec[272:275]), 'sbcs': rec[275:280], 'dbcs': rec[280:285],
                            'length': rec[285:290], 'drec': int(rec[290:293]), 'pos': int(rec[293:299]),
                            'record': rec})
        else:
            rest.append(rec)
    if h is None or t is None or int(t[545:550]) != len(columns) or int(h[40:45]) != len(columns) + 2:
        problem('%s: no complete H, T and C records' % path)
    return h, t, columns, rest


def ixf_value(col, d, lobfile_dir, path):
    p = 13 + col['pos']
    if col['nullable']:
        ind = d[p:p + 2]
        p += 2
        if ind == b'\xff\xff':
            return None
    ty = col['type']
    if ty == 452:
        n = int(col['length'])
        return d[p:p + n].decode('latin-1')
    if ty in (448, 456):
        n = struct.unpack_from('<h', d, p)[0]
        return d[p + 2:p + 2 + n].decode('latin-1')
    if ty in (384, 388, 392):
        return d[p:p + {384: 10, 388: 8, 392: 26}[ty]].decode('latin-1')
    if ty == 500:
        return struct.unpack_from('<h', d, p)[0]
    if ty == 496:
        return struct.unpack_from('<i', d, p)[0]
    if ty == 492:
        return struct.unpack_from('<q', d, p)[0]
    if ty == 480:
        return struct.unpack_from('<d' if int(col['length']) == 8 else '<f', d, p)[0]
    if ty == 484:
        prec, scale = int(col['length'][:3]), int(col['length'][3:])
        raw = d[p:p + prec // 2 + 1]
        digits = ''.join('%02x' % b for b in raw)
        sign = '-' if digits[-1] in 'bd' else ''
        return decimal.Decimal(sign + digits[:-1]).scaleb(-scale)
    if ty in (404, 408):
        n = struct.unpack_from('<i', d, p)[0]
        v = d[p + 4:p + 4 + n]
        return v if ty == 404 else v.decode('latin-1')
    if ty in (916, 920):
        name_length, lob_length, two = struct.unpack_from('<iii', d, p)
        name = d[p + 12:p + 12 + name_length]
        if two != 2 or b'\0' in name or d[p + 12 + name_length:p + 13 + name_length] not in (b'\0', b''):
            problem('%s column %s: file reference %r' % (path, col['name'], d[p:p + 12 + name_length + 1]))
        data = lob_file(lobfile_dir, name.decode('latin-1'))
        if data is not None and len(data) != lob_length:
            problem('%s column %s: LOB file %s of %d bytes, reference says %d' %
                    (path, col['name'], name, len(data), lob_length))
        return None if data is None else (data if ty == 916 else data.decode('latin-1'))
    if ty in (960, 964):
        field = d[p:p + 255]
        text = field.split(b'\0', 1)[0]
        if field[len(text):].strip(b'\0'):
            problem('%s column %s: bytes after the location specifier %r' % (path, col['name'], field))
        data = lob_place(lobfile_dir, text.decode('latin-1'))
        return None if data is None else (data if ty == 960 else data.decode('latin-1'))
    problem('%s column %s: type %d not read here' % (path, col['name'], ty))
    return None


CHARACTER_TYPES = (452, 448, 456, 408, 920, 964)


def check_c_records(path, columns, info):
    """Each C record's default and LOB length against the table declaration."""
    for col in columns:
        rec = col['record']
        decl, default = info.get(col['name'].upper(), (None, None))
        has, length, text = rec[267:268], rec[608:611], rec[611:865]
        if default is None:
            if (has, length, text) != (b'N', b'000', b'0' * 254):
                problem('%s column %s: default %r %r %r, the table has none' % (path, col['name'], has, length,
                                                                                   text.rstrip(b'0')))
        else:
            want = default.encode('latin-1')
            if (has, length, text) != (b'Y', b'%03d' % len(want), want + b'0' * (254 - len(want))):
                problem('%s column %s: default %r %r %r, the table has %r' % (path, col['name'], has, length,
                                                                                 text[:len(want) + 4], default))
        if col['type'] in (916, 920, 924, 960, 964, 968) and decl is not None:
            if rec[329:349] != b'%020d' % declared_length(decl):
                problem('%s column %s: LOB length %r, declared %s' % (path, col['name'], rec[329:349], decl))


def read_ixf(path, directory, header_lines, info=None):
    with open(path, 'rb') as f:
        data = f.read()
    h, t, columns, rest = ixf_columns(list(ixf_records(data, path)), path)
    if h is None:
        return []
    # code pages: none for numbers, dates and BLOBs; the H record's for character columns
    for col in columns:
        want = (h[45:50], b'00000') if col['type'] in CHARACTER_TYPES else (b'00000', b'00000')
        if (col['sbcs'], col['dbcs']) != want:
            problem('%s column %s (type %d): code pages %s %s, expected %s %s' %
                    (path, col['name'], col['type'], col['sbcs'], col['dbcs'], want[0], want[1]))
    if h[45:50] == b'00000':
        problem('%s: the H record has no single-byte code page' % path)
    header_lines.append('%s H %s%s' % (os.path.basename(path), h[:26].decode('latin-1'), h[40:].decode('latin-1')))
    header_lines.append('%s T %r' % (os.path.basename(path), t))
    if info is not None:
        check_c_records(path, columns, info)
    for col in columns:
        header_lines.append('%s C %r' % (os.path.basename(path), col['record']))
    rows, row = [], None
    for rec in rest:
        if rec[6:7] != b'D':
            problem('%s: record %r among the rows' % (path, rec[6:7]))
            continue
        number = int(rec[7:10])
        if number == 1:
            row = {}
            rows.append(row)
        elif row is None:
            problem('%s: D record %d opens no row' % (path, number))
            continue
        for col in columns:
            if col['drec'] == number:
                row[col['name']] = ixf_value(col, rec, directory, path)
    return [[r.get(c['name']) for c in columns] for r in rows]


def rotated(path):
    """The files of an output rotated at FILEMAXSIZE: the first, then .001, .002 ..."""
    files = [path]
    base = os.path.splitext(path)[0]
    n = 1
    while os.path.exists('%s.%03d' % (base, n)):
        files.append('%s.%03d' % (base, n))
        n += 1
    return files


# ------------------------------------------------------------------ main

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--store', required=True)
    ap.add_argument('--ctl', required=True)
    ap.add_argument('--dir', required=True)
    ap.add_argument('--encoding', default='latin-1')
    ap.add_argument('--headers')
    a = ap.parse_args()
    db = open_store(a.store)
    with open(a.ctl, encoding='latin-1') as f:
        selects = parse_control(f.read())
    header_lines = []
    values = files = 0
    for s in selects:
        if 'output' not in s:
            continue
        path = os.path.join(a.dir, s['output'][0])
        names, decls, expected = expected_rows(db, s['sql'])
        fmt = s.get('format', 'DEL')
        paths = []
        for name in s['output']:
            paths += rotated(os.path.join(a.dir, name)) if 'filemaxsize' in s else [os.path.join(a.dir, name)]
        got = []
        for p in paths:
            if not os.path.exists(p):
                problem('%s: not written' % p)
                continue
            files += 1
            if fmt == 'IXF':
                got += read_ixf(p, a.dir, header_lines, table_info(db, s['sql']))
            else:
                got += read_del(p, decls, a.encoding, 'lobfile' in s, a.dir, s.get('lls', False))
        if 'filemaxsize' in s and len(paths) < len(s['output']) + 1:
            problem('%s: FILEMAXSIZE %s made no second file' % (path, s['filemaxsize']))
        expected = as_written(decls, expected, 'lobfile' not in s, fmt != 'IXF')
        values += compare(os.path.basename(path), names, decls, expected, got)
    if a.headers:
        with open(a.headers, 'w', encoding='latin-1') as f:
            f.write('\n'.join(header_lines) + '\n')
    print('read back %d files, %d values, %d differences' % (files, values, len(problems)))
    return 1 if problems or files == 0 else 0


if __name__ == '__main__':
    sys.exit(main())
