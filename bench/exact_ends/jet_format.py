"""A small but whole Jet 4 (MDB) or ACE (ACCDB) database, laid out as the
mdbtools format notes (HACKING.md) and Jackcess describe it: 4096-byte
pages, each starting with its type and 0x01.

  page 0      database definition page, bytes 0x18-0x97 masked with RC4
  page 1      data page: row 0 the global usage map, rows 1-2 the catalog
              table's owned-pages and free-space maps
  page 2      table definition of the catalog MSysObjects
  page 3      MSysObjects rows (one per container and table)
  then        0x05 bitmap pages of the global and the catalog's owned maps,
              and per user table: its usage-map page, its owned-pages
              bitmap page, its definition page and its data pages

Owned-pages maps are reference maps (type 1: the numbers of 0x05 bitmap
pages), free-space maps inline ones (type 0: first page, then a bitmap),
as Jackcess writes them. Text is UCS-2; memo values are kept in their row.
"""

import struct

PAGE = 4096
PAGE_ROWS_AT = 12  # row count of a data page; the row offsets follow it
MAP_ROW = 69  # usage map rows: type byte + 4-byte start or first pointer + 64 bytes
HEADER_KEY = bytes.fromhex("c7da396b")  # RC4 key of the definition page's masked bytes
MASKED_AT, MASKED_LEN = 0x18, 128

# Column types: (code, bytes in the row's fixed area or None when variable).
BOOL, LONG, INT, MONEY, DOUBLE, DATE, TEXT, OLE, MEMO = (
    (0x01, 0), (0x04, 4), (0x03, 2), (0x05, 8), (0x07, 8), (0x08, 8), (0x0A, None), (0x0B, None), (0x0C, None))
TEXT_CHARS = 255  # declared length of text columns


def _rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) & 255
        s[i], s[j] = s[j], s[i]
    out, i, j = bytearray(), 0, 0
    for b in data:
        i = (i + 1) & 255
        j = (j + s[i]) & 255
        s[i], s[j] = s[j], s[i]
        out.append(b ^ s[(s[i] + s[j]) & 255])
    return bytes(out)


def _oa_date(days):
    """A Date/Time value: days since 1899-12-30 as a double."""
    return struct.pack("<d", days)


def header_page(ace, created):
    """The database definition page: magic, engine name, version, then the
    masked block holding the code page (0x3C), the database key (0x3E, 0:
    not encoded), the password (0x42, 40 bytes, empty: the mask taken from
    the creation date), the sort order (0x6E) and the creation date (0x72)."""
    page = bytearray(PAGE)
    page[0:4] = b"\0\x01\0\0"
    page[4:20] = b"Standard ACE DB\0" if ace else b"Standard Jet DB\0"
    page[0x14:0x18] = struct.pack("<I", 2 if ace else 1)
    page[0x3C:0x3E] = struct.pack("<H", 1252)
    page[0x3E:0x42] = struct.pack("<I", 0)
    page[0x42:0x6A] = struct.pack("<i", int(created)) * 10
    page[0x6E:0x72] = struct.pack("<HBB", 0x409, 0, 1)
    page[0x72:0x7A] = _oa_date(created)
    page[MASKED_AT:MASKED_AT + MASKED_LEN] = _rc4(HEADER_KEY, page[MASKED_AT:MASKED_AT + MASKED_LEN])
    return bytes(page)


def data_page(owner, rows):
    """A data page of `rows` (bytes each) owned by the table defined on page
    `owner`: type, 0x01, free space, owner, 4 unknown bytes, row count, the
    row offsets, and the rows stored from the end of the page backwards."""
    offsets, end = [], PAGE
    for r in rows:
        end -= len(r)
        offsets.append(end)
    head_len = PAGE_ROWS_AT + 2 + 2 * len(rows)
    assert head_len <= end, "rows overflow the page"
    page = bytearray(PAGE)
    page[0:PAGE_ROWS_AT] = struct.pack("<BBHII", 1, 1, end - head_len, owner, 0)
    page[PAGE_ROWS_AT:head_len] = struct.pack("<%dH" % (len(rows) + 1), len(rows), *offsets)
    for r, at in zip(rows, offsets):
        page[at:at + len(r)] = r
    return bytes(page)


def fits(rows, row):
    """Whether `row` still fits on a data page already holding `rows`."""
    return PAGE_ROWS_AT + 2 + 2 * (len(rows) + 1) + sum(map(len, rows)) + len(row) <= PAGE


def bitmap_page(pages):
    """A 0x05 usage bitmap page: 4-byte header, then one bit per page from
    page 0 (a reference map's first pointer covers pages 0-32735)."""
    page = bytearray(PAGE)
    page[0:2] = b"\x05\x01"
    for p in pages:
        page[4 + p // 8] |= 1 << (p % 8)
    return bytes(page)


def reference_map(bitmap_page_no):
    return (b"\x01" + struct.pack("<I", bitmap_page_no)).ljust(MAP_ROW, b"\0")


def inline_map(pages):
    """Type 0 map: the first page it covers, then a bit per page from it."""
    first = min(pages) if pages else 0
    bits = bytearray(MAP_ROW - 5)
    for p in pages:
        bits[(p - first) // 8] |= 1 << ((p - first) % 8)
    return b"\0" + struct.pack("<I", first) + bytes(bits)


def table_definition(owned_map, free_map, columns, rows, system):
    """A table definition page (one page: small tables only). `columns` is
    [(name, type)] in column-number order; `owned_map` and `free_map` are
    row pointers (page << 8 | row) to the usage maps."""
    n_var = sum(1 for _, t in columns if t[1] is None)
    block = struct.pack("<IIIIB3xI8x", 0, 0x0659, rows, 0, 0, 0)
    block += struct.pack("<BHHHIIII", 0x53 if system else 0x4E, len(columns), n_var, len(columns), 0, 0,
                         owned_map, free_map)
    cols, names = b"", b""
    fixed_at, var_no = 0, 0
    # Long values (memo, OLE) come after the other variable columns in the
    # row's offset table, as Jackcess orders them.
    long_var = sum(1 for _, t in columns if t[1] is None and t not in (MEMO, OLE))
    for number, (name, kind) in enumerate(columns):
        code, size = kind
        fixed = size is not None
        if fixed:
            var_index, offset, length = 0, fixed_at, size
            fixed_at += size
        elif kind in (MEMO, OLE):
            var_index, offset, length = long_var, 0, 0
            long_var += 1
        else:
            var_index, offset, length = var_no, 0, TEXT_CHARS * 2
            var_no += 1
        flags = (0x01 if fixed else 0) | 0x02  # fixed length; may be null
        sort = 0x409 if kind in (TEXT, MEMO) else 0
        cols += struct.pack("<BIHHHHHBBIHH", code, 0x0659, number, var_index, number, sort, 0, flags, 0, 0,
                            offset, length)
        raw = name.encode("utf-16-le")
        names += struct.pack("<H", len(raw)) + raw
    body = block + cols + names + b"\xff\xff"
    length = 8 + len(body)
    assert length <= PAGE, "table definition longer than a page"
    body = struct.pack("<I", length) + body[4:]
    return (struct.pack("<BBhI", 2, 1, PAGE - length - 8, 0) + body).ljust(PAGE, b"\0")


def _value(kind, v):
    """The bytes of value `v` in a column of type `kind`."""
    if kind == TEXT:
        return v.encode("utf-16-le")
    if kind in (MEMO, OLE):
        # Long value kept in the row: length with 0x80 in its top byte,
        # then a null page pointer and 4 unknown bytes, then the value.
        raw = v.encode("utf-16-le") if kind == MEMO else v
        return struct.pack("<III", len(raw) | 0x80000000, 0, 0) + raw
    if kind == DATE:
        return _oa_date(v)
    fmt = {LONG: "<i", INT: "<h", DOUBLE: "<d", MONEY: "<q"}[kind]
    return struct.pack(fmt, v)


def row(columns, values):
    """One Jet 4 row: column count, the fixed area, the variable values,
    then (stored backwards) their end, their offsets, their count, and the
    null mask (bit set: not null; for Yes/No columns the value)."""
    fixed, var, long_var, mask = bytearray(), [], [], bytearray((len(columns) + 7) // 8)
    for n, ((_, kind), v) in enumerate(zip(columns, values)):
        present = v is not None and (kind != BOOL or v)
        if present:
            mask[n // 8] |= 1 << (n % 8)
        if kind[1] is not None:
            fixed += _value(kind, v) if v is not None and kind != BOOL else b"\0" * kind[1]
        else:
            (long_var if kind in (MEMO, OLE) else var).append(b"" if v is None else _value(kind, v))
    out = bytearray(struct.pack("<H", len(columns)) + fixed)
    offsets = []
    for v in var + long_var:
        offsets.append(len(out))
        out += v
    if offsets:
        tail = [len(out)] + offsets[::-1] + [len(offsets)]
        out += struct.pack("<%dH" % len(tail), *tail)
    return bytes(out + mask)


CATALOG = [("Id", LONG), ("ParentId", LONG), ("Name", TEXT), ("Type", INT), ("Flags", LONG),
           ("DateCreate", DATE), ("DateUpdate", DATE), ("ForeignName", TEXT), ("LvProp", OLE)]
TABLES_CONTAINER = 0x0F000001
SYSTEM_FLAGS = -0x7FFFFFFE  # 0x80000002


def database(ace, tables, created):
    """The whole file. `tables` is [(name, columns, rows)] with rows lists of
    values in column order; returns the bytes."""
    pages = {}
    # Fixed places: header, page 1 maps, the catalog, the two bitmaps.
    global_bitmap, catalog_bitmap = 4, 5
    nxt = 6
    plan = []
    for name, columns, rows in tables:
        packed, page_rows = [], []
        for values in rows:
            r = row(columns, values)
            if not fits(page_rows, r):
                packed.append(page_rows)
                page_rows = []
            page_rows.append(r)
        packed.append(page_rows)
        umap, bitmap, tdef = nxt, nxt + 1, nxt + 2
        data = list(range(tdef + 1, tdef + 1 + len(packed)))
        nxt = data[-1] + 1
        plan.append((name, columns, len(rows), umap, bitmap, tdef, data, packed))
    catalog_rows = [[0x0F000000, 0x0F000000, "Databases", 3, 0, created, created, None, None],
                    [TABLES_CONTAINER, 0x0F000000, "Tables", 3, 0, created, created, None, None],
                    [0x0F000002, 0x0F000000, "Relationships", 3, 0, created, created, None, None],
                    [2, TABLES_CONTAINER, "MSysObjects", 1, SYSTEM_FLAGS, created, created, None, None]]
    for name, _, _, _, _, tdef, _, _ in plan:
        catalog_rows.append([tdef, TABLES_CONTAINER, name, 1, 0, created, created, None, None])
    cat = [row(CATALOG, v) for v in catalog_rows]
    pages[0] = header_page(ace, created)
    pages[2] = table_definition(1 << 8 | 1, 1 << 8 | 2, CATALOG, len(cat), True)
    pages[3] = data_page(2, cat)
    pages[catalog_bitmap] = bitmap_page([3])
    pages[1] = data_page(0, [reference_map(global_bitmap), reference_map(catalog_bitmap), inline_map([3])])
    for name, columns, n_rows, umap, bitmap, tdef, data, packed in plan:
        pages[umap] = data_page(0, [reference_map(bitmap), inline_map(data[-1:])])
        pages[bitmap] = bitmap_page(data)
        pages[tdef] = table_definition(umap << 8, umap << 8 | 1, columns, n_rows, False)
        for p, rows in zip(data, packed):
            pages[p] = data_page(tdef, rows)
    pages[global_bitmap] = bitmap_page(range(nxt))
    return b"".join(pages[p] for p in range(nxt))
