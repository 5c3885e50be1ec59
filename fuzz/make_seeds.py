#!/usr/bin/python3
"""Makes the seed inputs of the fuzz targets from the shared workbook corpus and a few synthetic
packages, into fuzz/seeds/<target>/ (or the folder given). The corpus files are not ours to
commit, so the seeds are made again on every run rather than kept in the repository.

  zip/            small packages (xlsx, xlsb, broken and hostile ones, one encrypted file) and
                  synthetic ones: fuzz_package and fuzz_info
  styles/         distinct styles parts of the corpus packages: fuzz_styles
  numfmt/         every distinct number format code of the corpus and the built-in codes, each
                  behind a value and a control byte: fuzz_numfmt
  relationships/  the source folder and target of relationships of the corpus: fuzz_relationships
  sheet/          distinct small worksheet parts of the corpus and a few built to trip the reader
                  that slices sheetData: fuzz_sheet
  compoundfile/   the compound files of the corpus (password-protected packages): fuzz_compoundfile
  encryptioninfo/ their EncryptionInfo streams, distinct: fuzz_encryptioninfo
  xlsb/           the binary parts of the corpus's binary workbooks, each behind the byte that
                  tells fuzz_xlsb which part it is, and a few formula token arrays
  drawing/        drawing parts of the corpus, each with a zero byte and the smallest picture of
                  its package, and a few built around every anchor and picture feature: fuzz_drawing
  condfmt/       the conditional formats of corpus and fixture worksheets, without their sheetData:
                  fuzz_condfmt
  vmlhf/          VML drawings of the corpus and one with a picture in every header and footer
                  section: fuzz_vmlhf
  tables/         table parts, pivot table definitions and the table styles of styles parts of the
                  corpus, and a few with structured references: fuzz_tables
  shapegeometry/  shape elements (xdr:sp, xdr:cxnSp) of the corpus drawings and of the shape
                  fixture, with the namespaces they use declared: fuzz_shapegeometry
  chart/          chart parts of the corpus (c:chartSpace and cx:chartSpace): fuzz_chart

usage: make_seeds.py [CORPUS_DIR [OUT_DIR]]"""
import hashlib
import io
import os
import re
import struct
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
MAX_ZIP_SEED = 24 * 1024      # bytes of one package seed
MAX_ZIP_SEEDS = 60
MAX_STYLES_SEED = 16 * 1024
MAX_STYLES_SEEDS = 80
MAX_NUMFMT_SEEDS = 600
MAX_REL_SEEDS = 300
MAX_SHEET_SEED = 16 * 1024
MAX_SHEET_SEEDS = 150
MAX_XLSB_SEED = 16 * 1024
MAX_XLSB_SEEDS = 200
MAX_FORMULA_SEEDS = 400       # seeds of four formula lines each
MAX_DRAWING_SEED = 24 * 1024
MAX_DRAWING_SEEDS = 80

BUILTIN_CODES = [
    "General", "0", "0.00", "#,##0", "#,##0.00", "0%", "0.00%", "0.00E+00", "# ?/?", "# ??/??",
    "M/d/yyyy", "d-mmm-yy", "d-mmm", "mmm-yy", "h:mm AM/PM", "h:mm:ss AM/PM", "H:mm", "H:mm:ss",
    "M/d/yyyy H:mm", "#,##0_);(#,##0)", "#,##0_);[Red](#,##0)", "#,##0.00_);(#,##0.00)",
    '_(* #,##0_);_(* (#,##0);_(* "-"_);_(@_)', '_($* #,##0.00_);_($* (#,##0.00);_($* "-"??_);_(@_)',
    "mm:ss", "[h]:mm:ss", "mm:ss.0", "##0.0E+0", "@", '[>=100][Red]0;[<0]"neg"0;"zero"',
    "yyyy-mm-dd\\Thh:mm:ss.000", "0.0,,\"M\"", "* #,##0", "???/???", "[$-409]dddd, mmmm dd, yyyy",
    "[$-D07041E]d/m/yyyy", "[$-411]ggge\"\u5e74\"m\"\u6708\"", "[$-2000000]#,##0.00", "[$-x-sysdate]dddd",
    "0.#0e-00", "#,##0,.0", "[=1]\"one\";[=2]\"two\"", "[h] h:[m]",
]
VALUES = [0.0, 1234.5678, -0.5, 45000.75, 1e20, float("nan"), -1e-300, 2958466.0, 60.0, 1.0 / 3]


def sha(data):
    return hashlib.sha1(data).hexdigest()[:16]


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def corpus_files(corpus):
    files = []
    for sub in ("xlsx", "xlsb", "hostile", "encrypted"):
        d = os.path.join(corpus, sub)
        if os.path.isdir(d):
            files += [os.path.join(d, n) for n in sorted(os.listdir(d))]
    return files


def xlsb_record(number, payload=b""):
    """A binary record: the record number in 7-bit groups, the size likewise, the payload."""
    out = bytearray()
    for value in (number, len(payload)):
        while True:
            byte = value & 0x7F
            value >>= 7
            out.append(byte | 0x80 if value else byte)
            if not value:
                break
    return bytes(out) + payload


def conditional_format_sheets():
    """Sheet parts with a conditional-format block of each kind of rule the binary reader knows."""
    def block(rule, inner=b""):
        head = struct.pack("<III", 1, 0, 1) + struct.pack("<IIII", 0, 9, 0, 1)
        return (xlsb_record(461, head) + xlsb_record(463, rule) + inner + xlsb_record(464) + xlsb_record(462))

    def rule(kind, template, param, flags, formula=b""):
        sizes = struct.pack("<III", len(formula), 0, 0)
        body = struct.pack("<IIIIIII", kind, template, 0, 1, param, 0, 0) + struct.pack("<H", flags) + sizes
        body += struct.pack("<I", 0xFFFFFFFF)
        if formula:
            body += struct.pack("<I", len(formula)) + formula + struct.pack("<I", 0)
        return body

    def value(kind, number):
        return xlsb_record(471, struct.pack("<IdIII", kind, number, 1, 1, 0))

    color = xlsb_record(564, bytes([5, 0xFF, 0, 0, 0x63, 0xBE, 0x7B, 0xFF]))
    ref = b"\x44" + struct.pack("<IH", 0, 0xC000) + b"\x1e\x05\x00\x0d"
    return [
        block(rule(1, 0, 5, 0, b"\x1e\x05\x00")),
        block(rule(2, 1, 0, 2, ref)),
        block(rule(3, 2, 0, 0), xlsb_record(469) + value(2, 0) + value(3, 0) + color + color + xlsb_record(470)),
        block(rule(4, 3, 0, 0), xlsb_record(467, bytes([10, 90, 1])) + value(2, 0) + value(3, 0) + color + xlsb_record(468)),
        block(rule(6, 4, 0, 0), xlsb_record(465, struct.pack("<II", 0, 2)) + value(4, 0) + value(4, 33) + value(4, 67)
              + xlsb_record(466)),
        block(rule(5, 5, 3, 0x18)),
    ] + extension_sheets(rule, value, color)


def extension_sheets(rule, value, color):
    """Sheet parts whose rules are completed or replaced by the extension records of the future-record
    section: a data bar tied to its plain rule by id, newer and custom icon sets, a rule with a formula."""
    guid = bytes(range(16))
    frt = lambda inner: (xlsb_record(35, struct.pack("<I", 0x0E02)) + xlsb_record(1135) + inner + xlsb_record(1136)
                         + xlsb_record(36))
    head = struct.pack("<10I", 2, 1, 2, 1, 1, 9, 1, 1, 1, 0)

    def rule14(kind, template, priority, formula=b""):
        header = struct.pack("<I", 0) if not formula else struct.pack("<5I", 4, 1, 2, len(formula), 0) + formula
        return (header + struct.pack("<IIIiIII", kind, template, 0, priority, 0, 0, 0) + struct.pack("<H", 0)
                + struct.pack("<4I", len(formula), 0, 0, 0) + guid + struct.pack("<II", 1, 0xFFFFFFFF))

    def ext(r, inner):
        return frt(xlsb_record(1046, head) + xlsb_record(1048, r) + inner + xlsb_record(1049) + xlsb_record(1047))

    v14 = lambda kind, number: xlsb_record(1050, struct.pack("<IIdIII", 0, kind, number, 1, 1, 0))
    c14 = xlsb_record(1055, struct.pack("<I", 0) + bytes([5, 0xFF, 0, 0, 0xFF, 0x00, 0x00, 0xFF]))
    icon = lambda kpi, index: xlsb_record(1112, struct.pack("<Iii", 0, kpi, index))
    tie = xlsb_record(35, struct.pack("<I", 0x0E02)) + xlsb_record(1146, struct.pack("<I", 0) + guid) + xlsb_record(36)
    plain = (xlsb_record(461, struct.pack("<III", 1, 0, 1) + struct.pack("<IIII", 0, 9, 0, 1)) + xlsb_record(463, rule(4, 3, 0, 0))
             + xlsb_record(467, bytes([10, 90, 1])) + value(2, 0) + value(3, 0) + color + xlsb_record(468) + tie
             + xlsb_record(464) + xlsb_record(462))
    bar = xlsb_record(1051, struct.pack("<I5BH", 0, 0, 100, 1, 2, 1, 0x0D)) + v14(2, 0) + v14(3, 0) + c14 * 4 + xlsb_record(1156)
    pct = v14(4, 0) + v14(4, 33) + v14(4, 67)
    return [
        plain + ext(rule14(4, 0, -1), bar),
        ext(rule14(6, 4, 2), xlsb_record(1052, struct.pack("<IiH", 0, 17, 6)) + pct + xlsb_record(1155)),
        ext(rule14(6, 4, 2), xlsb_record(1052, struct.pack("<IiH", 0, 0, 1)) + pct + icon(18, 1) + icon(-1, -1)
            + icon(19, 4) + xlsb_record(1155)),
        ext(rule14(2, 1, 3, b"\x1e\x07\x00"), b""),
        ext(rule14(3, 2, 4), xlsb_record(1157) + v14(2, 0) + v14(3, 0) + c14 + c14 + xlsb_record(1158)),
    ]


def zip_parts(path, pattern):
    """(name, bytes) of the entries of a package whose name matches; nothing for a broken one."""
    try:
        with zipfile.ZipFile(path) as z:
            out = []
            for info in z.infolist():
                if re.search(pattern, info.filename) and info.file_size < 4 << 20:
                    out.append((info.filename, z.read(info)))
            return out
    except Exception:
        return []


def synthetic_packages():
    """Small packages that reach the workbook reader, each with one oddity."""
    ct = ('<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
          '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
          '<Default Extension="xml" ContentType="application/xml"/></Types>')
    rels = ('<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
            'officeDocument" Target="xl/workbook.xml"/></Relationships>')
    wb = ('<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
          'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
          '<sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets>%s</workbook>')
    wbrels = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
              '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
              'worksheet" Target="worksheets/sheet1.xml"/></Relationships>')
    sheet = ('<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
             '<sheetData>%s</sheetData></worksheet>')
    variants = {
        "minimal": ("", sheet % '<row r="1"><c r="A1"><v>1</v></c></row>'),
        "print_area_whole_sheet": ('<definedNames><definedName name="_xlnm.Print_Area" localSheetId="0">'
                                   "S!$A$1:$XFD$1048576</definedName></definedNames>", sheet % ""),
        "far_cell": ("", sheet % '<row r="1048576"><c r="XFD1048576"><v>2</v></c></row>'),
        "deep_xml": ("", sheet % ("<x>" * 3000 + "</x>" * 3000)),
    }
    out = {}
    for name, (names, sheet_xml) in variants.items():
        buf = io.BytesIO()
        with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("[Content_Types].xml", ct)
            z.writestr("_rels/.rels", rels)
            z.writestr("xl/workbook.xml", wb % names)
            z.writestr("xl/_rels/workbook.xml.rels", wbrels)
            z.writestr("xl/worksheets/sheet1.xml", sheet_xml)
        out["synthetic_%s.xlsx" % name] = buf.getvalue()
    return out


def compound_stream(data, wanted):
    """The bytes of a root stream of a compound file, or None; a reader just big enough for
    well-formed seeds (header DIFAT only, no checks a hostile file would need)."""
    try:
        if data[:8] != bytes.fromhex("D0CF11E0A1B11AE1"):
            return None
        shift, = struct.unpack_from("<H", data, 30)
        size = 1 << shift
        nfat, first_dir = struct.unpack_from("<II", data, 44)
        first_minifat, = struct.unpack_from("<I", data, 60)
        sector = lambda n: data[(n + 1) * size:(n + 2) * size]
        fat = []
        for s in struct.unpack_from("<109I", data, 76)[:nfat]:
            fat += struct.unpack("<%dI" % (size // 4), sector(s))

        def chain(start, table):
            out = []
            while start < 0xFFFFFFFA and len(out) < len(table):
                out.append(start)
                start = table[start]
            return out
        directory = b"".join(sector(s) for s in chain(first_dir, fat))
        minifat = []
        for s in chain(first_minifat, fat):
            minifat += struct.unpack("<%dI" % (size // 4), sector(s))
        root_start, root_size = struct.unpack_from("<IQ", directory, 116)
        ministream = b"".join(sector(s) for s in chain(root_start, fat))
        for at in range(0, len(directory), 128):
            n, = struct.unpack_from("<H", directory, at + 64)
            name = directory[at:at + max(n - 2, 0)].decode("utf-16-le", "replace")
            if name != wanted:
                continue
            start, length = struct.unpack_from("<IQ", directory, at + 116)
            length &= 0xFFFFFFFF
            if length < 4096:
                return b"".join(ministream[m * 64:(m + 1) * 64] for m in chain(start, minifat))[:length]
            return b"".join(sector(s) for s in chain(start, fat))[:length]
    except (struct.error, IndexError):
        return None
    return None


def numfmt_seed(value, control, code):
    return struct.pack("<dB", value, control) + code.encode("utf-8")


def synthetic_drawings():
    """Drawing parts that use every anchor kind and picture feature the reader knows, with the
    relationship ids fuzz_drawing provides (rId1 the input's picture .. rId6 an external link)."""
    head = (b'<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing" '
            b'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
            b'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" '
            b'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" '
            b'xmlns:a14="http://schemas.microsoft.com/office/drawing/2010/main">')
    marker = b"<xdr:%s><xdr:col>%d</xdr:col><xdr:colOff>%d</xdr:colOff><xdr:row>%d</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:%s>"
    def pic(rid, blip=b"", xfrm=b"", extra=b""):
        return (b'<xdr:pic><xdr:nvPicPr><xdr:cNvPr id="2" name="P"/></xdr:nvPicPr><xdr:blipFill><a:blip r:embed="%s">'
                b"%s</a:blip>%s</xdr:blipFill><xdr:spPr><a:xfrm%s><a:off x=\"0\" y=\"0\"/><a:ext cx=\"952500\" cy=\"476250\"/>"
                b"</a:xfrm>%s</xdr:spPr></xdr:pic>" % (rid, blip, b"", xfrm, extra)).replace(b'\\"', b'"')
    def two(body, edit=b""):
        return (b"<xdr:twoCellAnchor%s>" % edit + marker % (b"from", 1, 9525, 1, b"from") +
                marker % (b"to", 4, 0, 6, b"to") + body + b"<xdr:clientData/></xdr:twoCellAnchor>")
    svg = (b'<a:extLst><a:ext uri="{96DAC541-7B7A-43D3-8B79-37D633B846F1}"><asvg:svgBlip '
           b'xmlns:asvg="http://schemas.microsoft.com/office/drawing/2016/SVG/main" r:embed="rId2"/></a:ext></a:extLst>')
    effects = (b'<a:alphaModFix amt="60000"/><a:grayscl/><a:biLevel thresh="40000"/><a:lum bright="20000" '
               b'contrast="-10000"/><a:duotone><a:schemeClr val="accent1"/><a:srgbClr val="FFFFFF"/></a:duotone>')
    group = (b'<xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id="5" name="G"/></xdr:nvGrpSpPr><xdr:grpSpPr><a:xfrm><a:off x="0" '
             b'y="0"/><a:ext cx="100" cy="100"/><a:chOff x="0" y="0"/><a:chExt cx="100" cy="100"/></a:xfrm></xdr:grpSpPr>'
             + pic(b"rId3") + b"</xdr:grpSp>")
    seeds = []
    for body in (two(pic(b"rId1")), two(pic(b"rId1", svg), b' editAs="oneCell"'),
                 two(pic(b"rId3", effects, b' rot="5400000" flipH="1"', b'<a:ln w="12700"><a:solidFill><a:srgbClr '
                                                                         b'val="FF0000"/></a:solidFill></a:ln>')),
                 two(pic(b"rId4")) + two(pic(b"rId5")) + two(pic(b"rId6")) + two(group),
                 b'<mc:AlternateContent><mc:Choice Requires="a14">' + two(pic(b"rId1")) + b"</mc:Choice><mc:Fallback/>"
                 b"</mc:AlternateContent><xdr:oneCellAnchor>" + marker % (b"from", 0, 0, 0, b"from") +
                 b'<xdr:ext cx="914400" cy="914400"/>' + pic(b"rId3") + b'</xdr:oneCellAnchor><xdr:absoluteAnchor>'
                 b'<xdr:pos x="0" y="0"/><xdr:ext cx="914400" cy="914400"/>' + pic(b"rId2") + b"</xdr:absoluteAnchor>"):
        seeds.append(head + body + b"</xdr:wsDr>\0")
    # The input's own picture: a small BMP.
    bmp = b"BM" + struct.pack("<IHHI", 70, 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, 16, 0, 0, 0, 0)
    return [s + bmp + bytes(range(16)) for s in seeds]


def synthetic_metafiles():
    """A small EMF and WMF (two filled rectangles, 16 x 8 pixels) and the WMF with a StretchDIB
    record whose bitmap header says zero rows and an unknown compression."""
    w, h = 16, 8
    def emf_brush(handle, colorref):
        return struct.pack("<6I", 39, 24, handle, 0, colorref, 0) + struct.pack("<3I", 37, 12, handle)
    emf = struct.pack("<2I4i4i", 1, 108, 0, 0, w - 1, h - 1, 0, 0, w * 2540 // 96, h * 2540 // 96)
    emf += struct.pack("<4I2H3I4I5I", 0x464D4520, 0x10000, 0, 0, 3, 0, 0, 0, 0, 960, 960, 254, 254,
                       0, 0, 0, 254000, 254000)
    emf += struct.pack("<3I", 37, 12, 0x80000008) + emf_brush(1, 0x0000FF)
    emf += struct.pack("<6I", 43, 24, 0, 0, w // 2, h) + emf_brush(2, 0xFF0000)
    emf += struct.pack("<6I", 43, 24, w // 2, 0, w, h) + struct.pack("<5I", 14, 20, 0, 16, 20)
    emf = emf[:48] + struct.pack("<2I", len(emf), 9) + emf[56:]
    def record(function, *params):
        return struct.pack("<IH", 3 + len(params), function) + struct.pack("<%dH" % len(params), *params)
    placeable = struct.pack("<IH4hHI", 0x9AC6CDD7, 0, 0, 0, w, h, 96, 0)
    checksum = 0
    for i in range(0, len(placeable), 2):
        checksum ^= struct.unpack_from("<H", placeable, i)[0]
    body = (record(0x020B, 0, 0) + record(0x020C, h, w) + record(0x02FA, 5, 0, 0, 0, 0) + record(0x012D, 0) +
            record(0x02FC, 0, 0x00FF, 0, 0) + record(0x012D, 1) + record(0x041B, h, w // 2, 0, 0) +
            record(0x01F0, 1) + record(0x02FC, 0, 0, 0x00FF, 0) + record(0x012D, 1) + record(0x041B, h, w, 0, w // 2))
    dib = struct.pack("<IiiHHIIiiII", 40, w, 0, 1, 24, 0x4B, 64, 0, 0, 0, 0) + bytes(i * 37 % 256 for i in range(64))
    stretch = (struct.pack("<IH", 3 + 11 + len(dib) // 2, 0x0F43) +
               struct.pack("<11H", 0x20, 0xCC, 0, 0, w, 0, 0, h, w, 0, 0) + dib)
    def wmf(records):
        data = records + record(0)
        header = struct.pack("<HHHIHIH", 1, 9, 0x300, (18 + len(data)) // 2, 3, 8, 0)
        return placeable + struct.pack("<H", checksum) + header + data
    return {"emf": emf, "wmf": wmf(body), "wmf-dib": wmf(body + stretch)}


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "..", "shared", "corpus")
    out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "seeds")
    files = corpus_files(corpus) if os.path.isdir(corpus) else []
    # Every target gets its folder, even with no corpus to take seeds from.
    for target in ("zip", "styles", "numfmt", "relationships", "sheet", "compoundfile", "encryptioninfo", "xlsb",
                   "formula", "print", "drawing", "vmlhf", "condfmt", "tables", "shapegeometry", "chart"):
        os.makedirs(os.path.join(out, target), exist_ok=True)

    # Packages: the flagged odd ones first, then the smallest of each folder, one encrypted file.
    manifest = {}
    mpath = os.path.join(corpus, "MANIFEST.tsv")
    if os.path.exists(mpath):
        for line in open(mpath, encoding="utf-8").read().splitlines()[1:]:
            cols = line.split("\t")
            if len(cols) > 6:
                manifest[os.path.join(corpus, cols[0])] = cols[6]
    small = [f for f in files if os.path.getsize(f) <= MAX_ZIP_SEED]
    flagged = [f for f in small if re.search("MALFORMED|MALICIOUS|odd", manifest.get(f, ""))]
    by_size = sorted(small, key=lambda f: (os.path.getsize(f), f))
    chosen = list(flagged)
    for folder, quota in (("/xlsx/", 30), ("/xlsb/", 10), ("/encrypted/", 1)):
        chosen += [f for f in by_size if folder in f and f not in chosen][:quota]
    chosen = chosen[:MAX_ZIP_SEEDS]
    for f in chosen:
        write(os.path.join(out, "zip"), os.path.basename(f), open(f, "rb").read())
    for name, data in synthetic_packages().items():
        write(os.path.join(out, "zip"), name, data)

    # Styles parts, distinct, smallest first (small parts mutate faster).
    styles = {}
    codes = set()
    rels = set()
    for f in files:
        for name, data in zip_parts(f, r"(^|/)styles\.xml$|\.rels$"):
            if name.endswith(".rels"):
                folder = name[: name.find("_rels")].rstrip("/")
                for target in re.findall(rb'Target="([^"]{1,200})"', data):
                    rels.add((folder.encode("utf-8"), target))
                continue
            styles.setdefault(sha(data), data)
            for code in re.findall(rb'formatCode="([^"]{1,255})"', data):
                codes.add(code.decode("utf-8", "replace").replace("&quot;", '"').replace("&amp;", "&")
                          .replace("&lt;", "<").replace("&gt;", ">"))
    kept = sorted((d for d in styles.values() if len(d) <= MAX_STYLES_SEED), key=len)[:MAX_STYLES_SEEDS]
    for data in kept:
        write(os.path.join(out, "styles"), sha(data) + ".xml", data)

    # Format codes, each with a value from a fixed rotation and a varying control byte.
    all_codes = BUILTIN_CODES + sorted(codes - set(BUILTIN_CODES))
    for i, code in enumerate(all_codes[:MAX_NUMFMT_SEEDS]):
        control = (31 << 3) | (i % 2) | (4 if i % 3 == 0 else 0)
        write(os.path.join(out, "numfmt"), "%04d" % i, numfmt_seed(VALUES[i % len(VALUES)], control, code))

    # Worksheet parts, distinct, smallest first, and parts with markup that hides row end tags.
    sheets = {}
    for f in files:
        for name, data in zip_parts(f, r"(^|/)worksheets/[^/]+\.xml$"):
            if len(data) <= MAX_SHEET_SEED:
                sheets.setdefault(sha(data), data)
    head = b'<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
    rows = b"".join(b'<row r="%d"><c r="A%d"><v>%d</v></c></row>' % (r, r, r) for r in range(1, 6))
    for extra in (b'<row><c t="str"><v><![CDATA[</row></sheetData>]]></v></c></row>',
                  b"<!-- </row> --><row/>", b'<row r="9"><row r="10"/></row>'):
        data = head + rows + extra + rows + b"</sheetData></worksheet>"
        sheets.setdefault(sha(data), data)
    # Conditional formats: worksheet parts that have them, their cells left out.
    fixture = os.path.join(HERE, "..", "tests", "fixtures", "render", "condformats.xlsx")
    for f in files + ([fixture] if os.path.exists(fixture) else []):
        for name, data in zip_parts(f, r"(^|/)worksheets/[^/]+\.xml$"):
            if b"conditionalFormatting" not in data:
                continue
            data = re.sub(rb"<sheetData>.*</sheetData>|<sheetData/>", b"", data, flags=re.S)
            if len(data) <= MAX_SHEET_SEED:
                write(os.path.join(out, "condfmt"), sha(data) + ".xml", data)
    kept_sheets = sorted(sheets.values(), key=len)[:MAX_SHEET_SEEDS]
    # Worksheets with sparkline groups, always kept.
    spark = os.path.join(HERE, "..", "tests", "fixtures", "render", "chartcells_xlsxwriter.xlsx")
    kept_sheets += [data for name, data in zip_parts(spark, r"(^|/)worksheets/[^/]+\.xml$")
                    if b"sparklineGroup" in data and len(data) <= MAX_SHEET_SEED]
    for data in kept_sheets:
        write(os.path.join(out, "sheet"), sha(data) + ".xml", data)

    # Compound files and their EncryptionInfo streams.
    infos = {}
    compound = [f for f in files if open(f, "rb").read(8) == bytes.fromhex("D0CF11E0A1B11AE1")]
    for f in compound:
        data = open(f, "rb").read()
        write(os.path.join(out, "compoundfile"), os.path.basename(f), data)
        info = compound_stream(data, "EncryptionInfo")
        if info:
            infos.setdefault(sha(info), info)
    for key, data in infos.items():
        write(os.path.join(out, "encryptioninfo"), key, data)
    # Binary parts behind their selector byte (0 workbook, 1 styles, 2 strings, 3 sheet, 5 comments,
    # 6 table, 7 pivot table), smallest first, formula tokens (selector 4, then the length of the
    # tokens) and sheets with conditional formats of every kind.
    binary = {}
    for f in files:
        if "/xlsb/" not in f:
            continue
        pattern = r"(workbook|styles|sharedStrings|worksheets/sheet\d+|comments\d+|tables/table\d+|pivotTables/pivotTable\d+)\.bin$"
        for name, data in zip_parts(f, pattern):
            if len(data) > MAX_XLSB_SEED:
                continue
            kind = (0 if "workbook" in name else 1 if "styles" in name else 2 if "sharedStrings" in name
                    else 5 if "comments" in name else 6 if "tables/" in name else 7 if "pivotTables/" in name else 3)
            seed = bytes([kind]) + data
            binary.setdefault(sha(seed), seed)
    tokens = [b"\x24\x00\x00\x00\x00\x00\xc0\x24\x01\x00\x00\x00\x01\x40\x03",
              b"\x1e\x01\x00\x1f" + struct.pack("<d", 2.5) + b"\x05\x15\x13",
              b"\x3b\x01\x00" + struct.pack("<IIHH", 0, 9, 0, 3) + b"\x19\x10\x00\x00",
              b"\x17\x02\x00h\x00i\x00\x23\x01\x00\x00\x00\x08\x42\x02\x04\x00",
              b"\x2c\xff\xff\x0f\x00\xff\xff\x59\x03\x00\x02\x00\x00\x00\x0f"]
    for t in tokens:
        binary.setdefault(sha(t), bytes([4, len(t)]) + t)
    array = b"\x40" + b"\0" * 14 + b"\x41\x02\x00"
    extra = struct.pack("<II", 1, 2) + b"\x00" + struct.pack("<d", 1) + b"\x02\x01"
    binary.setdefault(sha(array), bytes([4, len(array)]) + array + extra)
    kept_binary = sorted(binary.values(), key=len)[:MAX_XLSB_SEEDS]
    # The comments, table and pivot table parts are few: all of them are kept, with the sheets of
    # conditional formats.
    kept_binary += [seed for seed in binary.values() if seed[0] in (5, 6, 7) and seed not in kept_binary]
    kept_binary += [bytes([3]) + seed for seed in conditional_format_sheets()]
    # A styles part with an extension differential format (a solid fill) for the rules above.
    kept_binary.append(bytes([1]) + xlsb_record(1171, struct.pack("<IHHHHBHH", 0, 0, 2, 0, 5, 1, 2, 12)
                                                + bytes([5, 0xFF, 0, 0, 0, 0xFF, 0, 0xFF])))
    for data in kept_binary:
        write(os.path.join(out, "xlsb"), sha(data), data)

    # Formula texts of the corpus sheets, a few per seed (one cell per line), distinct.
    formulas = []
    seen = set()
    for f in files:
        for name, data in zip_parts(f, r"(^|/)worksheets/[^/]+\.xml$"):
            for text in re.findall(rb"<f[^>]*>([^<]{1,400})</f>", data):
                text = (text.decode("utf-8", "replace").replace("&quot;", '"').replace("&amp;", "&")
                        .replace("&lt;", "<").replace("&gt;", ">"))
                if text not in seen:
                    seen.add(text)
                    formulas.append(text)
    formulas += ["A2+1", "A1", "SUM(A1:A5)*-2^2%", "N+B1", "Loop", "VLOOKUP(3,A1:B9,2,FALSE)", "{1,2;3,4}*A1:B2",
                 "INDEX(A:A,MATCH(1,A:A,0))", "OFFSET(A1,1,1,2,2)", "'Other Sheet'!C1:C9 A1:B2", "IF(A1,A2,A3)"]
    for i in range(0, min(len(formulas), MAX_FORMULA_SEEDS * 4), 4):
        write(os.path.join(out, "formula"), "%04d" % (i // 4), "\n".join("=" + t for t in formulas[i:i + 4]).encode("utf-8"))
    # Formulas filled down row by row, and references to the lines book's table T.
    for i, lines in enumerate([["SUM(C1:C3)*A1", "SUM(C2:C4)*A2", "SUM(C2:C5)*A3", "SUM(3:3)+A3"],
                               ["'Other Sheet'!T[C]", "SUM(T[[#All],[C]])+'other sheet'!T[#Data]", "[0]!T[C]*S1!T[C]",
                                "INDEX(T,2)+[1]!T[C]"]]):
        write(os.path.join(out, "formula"), "own%d" % i, "\n".join("=" + t for t in lines).encode("utf-8"))

    # Print setups: the elements after sheetData of each worksheet part, and synthetic ones with
    # every header and footer code and hostile values.
    prints = {}
    for f in files:
        for name, data in zip_parts(f, r"(^|/)worksheets/[^/]+\.xml$"):
            tail = re.search(rb"<(?:\w+:)?printOptions.*?(?=</(?:\w+:)?worksheet>)|<(?:\w+:)?pageMargins.*?(?=</(?:\w+:)?worksheet>)",
                             data, re.S)
            pr = re.search(rb"<(?:\w+:)?sheetPr\b.*?(?:/>|</(?:\w+:)?sheetPr>)", data, re.S)
            if tail:
                seed = b"<worksheet>" + (pr.group(0) if pr else b"") + tail.group(0) + b"</worksheet>"
                prints.setdefault(sha(seed), seed)
    for names, body in ((b"#Fuzz!$A$1:$C$10,Fuzz!$E$5:$F$9,'Other'!A1\n", b'<pageSetup scale="0" fitToWidth="65536"/>'),
                        (b"#Fuzz!$1:$2,Fuzz!$A:$B\n", b'<sheetPr><pageSetUpPr fitToPage="1"/></sheetPr>'
                         b'<pageSetup paperSize="9999" fitToWidth="0" fitToHeight="1" orientation="landscape"/>'),
                        (b"", b'<printOptions headings="1" horizontalCentered="1"/><pageSetup scale="100000"/>'
                         b'<headerFooter differentFirst="1"><oddHeader>&amp;L&amp;"Arial,Bold Italic"&amp;14a&amp;KFF0000b'
                         b'&amp;K04+050c&amp;C&amp;P+3 &amp;N &amp;D &amp;T&amp;R&amp;F &amp;Z &amp;A &amp;&amp; &amp;B&amp;I&amp;U&amp;E'
                         b'&amp;S&amp;X&amp;Y&amp;G&amp;999</oddHeader><firstFooter>&amp;"x</firstFooter></headerFooter>'
                         b'<rowBreaks><brk id="3"/><brk id="2000000"/></rowBreaks><colBreaks><brk id="-1"/></colBreaks>')):
        seed = names + b"<worksheet>" + body + b"</worksheet>"
        prints.setdefault(sha(seed), seed)
    for data in sorted(prints.values(), key=len)[:MAX_SHEET_SEEDS]:
        write(os.path.join(out, "print"), sha(data) + ".xml", data)

    # Drawing parts, each followed by a zero byte and the smallest picture of its package.
    drawings = {}
    for f in files:
        pictures = sorted((d for _, d in zip_parts(f, r"(^|/)media/[^/]+$")), key=len)
        picture = pictures[0] if pictures and len(pictures[0]) <= MAX_DRAWING_SEED else b""
        for name, data in zip_parts(f, r"(^|/)drawings/drawing[^/]*\.xml$"):
            seed = data + b"\0" + picture
            if len(seed) <= MAX_DRAWING_SEED:
                drawings.setdefault(sha(seed), seed)
    for data in synthetic_drawings():
        drawings.setdefault(sha(data), data)
    kept_drawings = sorted(drawings.values(), key=len)[:MAX_DRAWING_SEEDS]
    for data in kept_drawings:
        write(os.path.join(out, "drawing"), sha(data) + ".xml", data)

    # VML drawings (comments, controls, header and footer pictures), and every section's picture.
    vmls = {}
    for f in files:
        for name, data in zip_parts(f, r"(^|/)drawings/[^/]*\.vml$"):
            if len(data) <= MAX_DRAWING_SEED:
                vmls.setdefault(sha(data), data)
    sections = [a + b + c for c in ("", "EVEN", "FIRST") for b in "HF" for a in "LCR"]
    every = "<xml><br>" + "".join('<v:shape id="%s" style="width:%dpt;height:%dpx"><v:imagedata o:relid="rId%d"/>'
                                  "</v:shape>" % (s, 10 + i, 20 + i, i) for i, s in enumerate(sections)) + "</xml>"
    vmls.setdefault(sha(every.encode()), every.encode())
    for data in sorted(vmls.values(), key=len)[:MAX_DRAWING_SEEDS]:
        write(os.path.join(out, "vmlhf"), sha(data) + ".vml", data)

    # Table parts and pivot definitions (their caches and records are left out), the styles parts
    # that have table styles, and tables whose formulas use structured references.
    tables = {}
    for f in files:
        for name, data in zip_parts(f, r"(^|/)(tables/table|pivotTables/pivotTable)[^/]*\.xml$|(^|/)styles\.xml$"):
            if name.endswith("styles.xml") and b"tableStyle " not in data:
                continue
            if len(data) <= MAX_SHEET_SEED:
                tables.setdefault(sha(data), data)
    refs = ('<table ref="B2:E8" displayName="Sales" headerRowCount="1" totalsRowCount="1"><tableColumns count="4">'
            '<tableColumn id="1" name="Region"/><tableColumn id="2" name="Q\'[ty"><calculatedColumnFormula>'
            'SUM(Sales[[#Headers],[#Data],[Q\'\'\'[ty]])+[@Price]+Sales[[Price]:[Total]]+Sales[#All]+Sales'
            '</calculatedColumnFormula></tableColumn><tableColumn id="3" name="Price"/><tableColumn id="4" name="Total">'
            '<calculatedColumnFormula>[[#This Row],Price]*2+Nope[x]+[1]Sheet!A1+"Sales[x]"</calculatedColumnFormula>'
            '</tableColumn></tableColumns><tableStyleInfo name="TableStyleMedium2" showFirstColumn="1" '
            'showLastColumn="1" showRowStripes="1" showColumnStripes="1"/></table>')
    tables.setdefault(sha(refs.encode()), refs.encode())
    for data in sorted(tables.values(), key=len)[:MAX_SHEET_SEEDS]:
        write(os.path.join(out, "tables"), sha(data) + ".xml", data)
    # Shapes: each element on its own, its prefixes declared on it.
    shapes = {}
    ns = (b' xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing"'
          b' xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"')
    fixture = os.path.join(HERE, "..", "tests", "fixtures", "render", "shapes.xlsx")
    for f in files + [fixture]:
        for name, data in zip_parts(f, r"(^|/)drawings/[^/]*\.xml$"):
            for m in re.finditer(rb"<xdr:(sp|cxnSp)\b(.*?)</xdr:\1>", data, re.S):
                element = b"<xdr:" + m.group(1) + ns + m.group(2) + b"</xdr:" + m.group(1) + b">"
                if len(element) <= MAX_DRAWING_SEED:
                    shapes.setdefault(sha(element), element)
    for data in sorted(shapes.values(), key=len)[:MAX_DRAWING_SEEDS]:
        write(os.path.join(out, "shapegeometry"), sha(data) + ".xml", data)
    charts = {}
    # The chart fixtures refer to a sheet "Data", as the target's workbook has one.
    chart_fixtures = [os.path.join(HERE, "..", "tests", "fixtures", "render", n)
                      for n in ("chartcells_openpyxl.xlsx", "chartcells_xlsxwriter.xlsx", "charts.xlsx",
                                "chart3d_openpyxl.xlsx", "chart3d_view.xlsx")]
    for f in files:
        for name, data in zip_parts(f, r"(^|/)charts/chart[^/]*\.xml$"):
            if len(data) <= MAX_DRAWING_SEED:
                charts.setdefault(sha(data), data)
    chosen = sorted(charts.values(), key=len)[:MAX_DRAWING_SEEDS]
    for f in chart_fixtures:
        chosen += [data for name, data in zip_parts(f, r"(^|/)charts/chart[^/]*\.xml$") if len(data) <= MAX_DRAWING_SEED]
    for data in chosen:
        write(os.path.join(out, "chart"), sha(data) + ".xml", data)

    # Metafiles: the synthetic ones and those of the corpus's packages.
    for name, data in synthetic_metafiles().items():
        write(os.path.join(out, "metafile"), name, data)
    for f in files:
        for name, data in zip_parts(f, r"\.(emf|wmf)$"):
            if len(data) <= MAX_DRAWING_SEED:
                write(os.path.join(out, "metafile"), sha(data), data)

    # Raster pictures: the small ones of the corpus's packages, and the drawing tests' samples.
    for f in files:
        for name, data in zip_parts(f, r"\.(png|jpe?g|gif|bmp|tiff?|webp)$"):
            if len(data) <= MAX_DRAWING_SEED:
                write(os.path.join(out, "rasterpicture"), sha(data), data)
    samples = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "drawing", "samples")
    for name in sorted(os.listdir(samples)) if os.path.isdir(samples) else []:
        with open(os.path.join(samples, name), "rb") as sample:
            write(os.path.join(out, "rasterpicture"), name, sample.read())

    # Relationship targets: the first byte is the length of the source folder.
    for i, (folder, target) in enumerate(sorted(rels)[:MAX_REL_SEEDS]):
        write(os.path.join(out, "relationships"), "%04d" % i, bytes([len(folder) % 256]) + folder + target)
    total = sum(os.path.getsize(os.path.join(r, n)) for r, _, ns in os.walk(out) for n in ns)
    print("seeds: %d packages, %d styles parts, %d format codes, %d relationship targets, %d sheets, "
          "%d binary parts, %d drawings, %d KiB in %s"
          % (len(chosen) + 4, len(kept), min(len(all_codes), MAX_NUMFMT_SEEDS),
             min(len(rels), MAX_REL_SEEDS), len(kept_sheets), len(kept_binary), len(kept_drawings), total // 1024, out))


# Query texts of the service's requests, for fuzz_serverequest.
SERVICE_QUERIES = [
    "format=png&pages=1-3,5&dpi=150", "format=pdf&paper=a4&fit=width", "format=svg&pages=2-N&gridlines=1",
    "paginate&paper=8.5x14in&margins=0.5,0.5,0.7,0.7", "password=-secret&hidden_sheets=true&sheet_pages=on",
    "format=jpeg", "dpi=0&dpi=96", "pages=3-1", "paper=210x297mm&fit=shrink",
]


def service_seeds(out):
    for i, query in enumerate(SERVICE_QUERIES):
        write(os.path.join(out, "serverequest"), "query%02d" % i, query.encode())


if __name__ == "__main__":
    main()
    service_seeds(sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "seeds"))
