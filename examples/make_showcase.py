#!/usr/bin/python3
"""Writes examples/showcase.xlsx, a workbook that shows what xlxrender draws.

Run with Debian's python3 (python3-xlsxwriter):
    /usr/bin/python3 examples/make_showcase.py [OUTPUT]

Sheet "Showcase" fits one letter page at 96 dpi: fills (solid, every pattern, gradients), every
border style and weight, font faces, sizes, styles and colours, horizontal and vertical alignment
with indents, wrapped text that makes its row grow, rotated and stacked text, shrink-to-fit,
merged cells, text spilling into empty neighbours, rich text, number formats, and a hidden row
and column. Sheet "Ledger" is a long table printed landscape on letter paper, one page wide, with
its heading row repeated on every page, a header (title, sheet name, file name) and a footer
(page number of page count). Sheet "Drawings" holds charts of each common kind, a styled table
with data bars, icon sets and a colour scale, sparklines, a picture, preset shapes, a text box and
a note, printed on one landscape page. Next to the workbook goes a copy protected with the
password "showcase" (made by the xlxencrypt tool of the build).

The writer cannot make gradient fills, so they are written as placeholder solid fills in colours
used nowhere else and swapped for gradientFill elements in the finished package.
"""
import datetime
import io
import os
import re
import shutil
import sys
import tempfile
import zipfile

import xlsxwriter

HERE = os.path.dirname(os.path.abspath(__file__))

# Placeholder fill colour -> (gradient degree, first stop, last stop).
GRADIENTS = {
    "#010203": (0, "FF4472C4", "FFDDEBF7"),
    "#040506": (90, "FFC00000", "FFFFE699"),
    "#070809": (45, "FF70AD47", "FFFFFFFF"),
}

PATTERNS = [
    (2, "mediumGray"), (3, "darkGray"), (4, "lightGray"), (5, "darkHorizontal"),
    (6, "darkVertical"), (7, "darkDown"), (8, "darkUp"), (9, "darkGrid"),
    (10, "darkTrellis"), (11, "lightHorizontal"), (12, "lightVertical"), (13, "lightDown"),
    (14, "lightUp"), (15, "lightGrid"), (16, "lightTrellis"), (17, "gray125"), (18, "gray0625"),
]

BORDERS = [
    (1, "thin"), (2, "medium"), (5, "thick"), (6, "double"), (7, "hair"), (3, "dashed"),
    (8, "mediumDashed"), (4, "dotted"), (9, "dashDot"), (10, "mediumDashDot"),
    (11, "dashDotDot"), (12, "mediumDashDotDot"), (13, "slantDashDot"),
]

NAVY, SKY, GREY = "#1F3864", "#DDEBF7", "#595959"


class Sheet:
    """Writes section by section, keeping the next free row."""

    def __init__(self, wb, ws):
        self.wb, self.ws, self.row = wb, ws, 0
        self.formats = {}

    def fmt(self, **props):
        key = tuple(sorted(props.items()))
        if key not in self.formats:
            self.formats[key] = self.wb.add_format(props)
        return self.formats[key]

    def heading(self, text):
        self.ws.set_row(self.row, 8)  # a thin gap above each section
        self.row += 1
        self.ws.merge_range(self.row, 0, self.row, 7, text,
                            self.fmt(bold=True, font_size=12, font_color=NAVY, bottom=2, bottom_color=NAVY))
        self.row += 1

    def label(self, text, row=None):
        self.ws.write(self.row if row is None else row, 0, text, self.fmt(font_color=GREY, italic=True))


def title(s):
    ws = s.ws
    ws.set_row(0, 36)
    ws.merge_range(0, 0, 0, 7, "xlxfilter showcase",
                   s.fmt(bold=True, font_size=22, font_color="#FFFFFF", bg_color=NAVY, align="center",
                         valign="vcenter", font_name="Cambria"))
    ws.merge_range(1, 0, 1, 7, "Every cell on this page is drawn by the filter from the workbook's own styles.",
                   s.fmt(italic=True, font_color=GREY, align="center"))
    s.row = 2


def fills(s):
    ws = s.ws
    s.heading("Fills: solid, gradient and every pattern")
    s.label("solid")
    solids = ["#FF0000", "#FFC000", "#FFFF00", "#92D050", "#00B0F0", "#7030A0", "#D9D9D9"]
    for i, colour in enumerate(solids):
        ws.write(s.row, 1 + i, colour, s.fmt(bg_color=colour, align="center",
                                             font_color="#FFFFFF" if colour in ("#FF0000", "#7030A0") else "#000000"))
    s.row += 1
    s.label("gradient")
    for i, placeholder in enumerate(GRADIENTS):
        ws.write(s.row, 1 + i, "%d\u00b0" % GRADIENTS[placeholder][0],
                 s.fmt(bg_color=placeholder, pattern=1, align="center", font_color="#FFFFFF" if i < 2 else "#000000"))
    s.row += 1
    for start in range(0, len(PATTERNS), 7):
        s.label("patterns")
        for i, (code, name) in enumerate(PATTERNS[start:start + 7]):
            ws.write(s.row, 1 + i, name, s.fmt(font_size=8, align="center", valign="bottom", font_color=GREY))
            ws.write_blank(s.row + 1, 1 + i, None, s.fmt(pattern=code, fg_color=NAVY, bg_color=SKY))
        ws.set_row(s.row, 12)
        s.row += 2


def borders(s):
    ws = s.ws
    s.heading("Borders: every style with its weight; shared edges are drawn once, the heavier wins")
    slots = [(r, c) for r in (0, 2, 4) for c in (1, 3, 5, 7)] + [(6, 1)]
    for (code, name), (dr, col) in zip(BORDERS, slots):
        ws.write(s.row + dr, col, name, s.fmt(border=code, align="center", font_size=8))
    ws.write(s.row + 6, 3, "diagonal down", s.fmt(diag_type=2, diag_border=1, align="center", font_size=8))
    ws.write(s.row + 6, 5, "both diagonals", s.fmt(diag_type=3, diag_border=2, diag_color="#C00000",
                                                   align="center", font_size=8))
    ws.write(s.row + 6, 7, "coloured", s.fmt(border=5, border_color="#2E75B6", align="center", font_size=8))
    for dr in (1, 3, 5):
        ws.set_row(s.row + dr, 6)
    s.label("13 styles", s.row)
    s.row += 7


def fonts(s):
    ws = s.ws
    s.heading("Fonts: faces, sizes, styles and colours")
    s.label("faces")
    # Times New Roman runs on over the empty cell after it.
    for col, face in zip((1, 2, 3, 4, 6), ["Calibri", "Cambria", "Arial", "Times New Roman", "Courier New"]):
        ws.write(s.row, col, face, s.fmt(font_name=face))
    s.row += 1
    s.label("sizes")
    for i, size in enumerate([8, 10, 11, 14, 18]):
        ws.write(s.row, 1 + i, "%dpt" % size, s.fmt(font_size=size))
    ws.set_row(s.row, 24)
    s.row += 1
    s.label("styles")
    styles = [("Bold", dict(bold=True)), ("Italic", dict(italic=True)), ("Underline", dict(underline=1)),
              ("Double", dict(underline=2)), ("Strike", dict(font_strikeout=True)),
              ("Bold italic", dict(bold=True, italic=True)), ("All four", dict(bold=True, italic=True, underline=1,
                                                                               font_strikeout=True))]
    for i, (text, props) in enumerate(styles):
        ws.write(s.row, 1 + i, text, s.fmt(**props))
    s.row += 1
    s.label("colours")
    for i, colour in enumerate(["#C00000", "#ED7D31", "#BF8F00", "#548235", "#2E75B6", "#7030A0", "#FFFFFF"]):
        props = dict(font_color=colour, bold=True)
        if colour == "#FFFFFF":
            props["bg_color"] = "#404040"
        ws.write(s.row, 1 + i, "Colour", s.fmt(**props))
    s.row += 1
    s.label("rich text")
    ws.write_rich_string(s.row, 1, "Rich ", s.fmt(bold=True, font_color="#C00000"), "text ",
                         s.fmt(italic=True, font_color="#2E75B6"), "keeps ", s.fmt(font_name="Courier New"),
                         "every ", s.fmt(font_size=14, bold=True), "run", " in its own font.")
    s.row += 1


def alignment(s):
    ws = s.ws
    s.heading("Alignment: horizontal, vertical, indent, wrap, rotation, shrink")
    s.label("horizontal")
    for i, align in enumerate(["left", "center", "right", "fill", "justify", "distributed"]):
        ws.write(s.row, 1 + i, align, s.fmt(align=align, border=7, border_color="#A6A6A6"))
    ws.write(s.row, 7, "center across", s.fmt(align="center_across", border=7, border_color="#A6A6A6"))
    s.row += 1
    s.label("vertical")
    ws.set_row(s.row, 32)
    for i, valign in enumerate(["top", "vcenter", "bottom"]):
        ws.write(s.row, 1 + i, valign, s.fmt(valign=valign, align="center", bg_color=SKY))
    for i, indent in enumerate([1, 2, 3]):
        ws.write(s.row, 4 + i, "indent %d" % indent, s.fmt(indent=indent, valign="vcenter", border=1,
                                                             border_color="#A6A6A6"))
    ws.write(s.row, 7, "123", s.fmt(indent=2, align="right", valign="vcenter"))
    s.row += 1
    s.label("wrap")
    ws.write(s.row, 1, "Wrapped text breaks at spaces and the row grows to hold every line.",
             s.fmt(text_wrap=True, valign="top", bg_color="#FFF2CC"))
    ws.write(s.row, 2, "Line one\nline two\nline three", s.fmt(text_wrap=True, valign="top", bg_color="#E2EFDA"))
    ws.write(s.row, 3, "This is shrunk to fit the cell", s.fmt(shrink=True, border=1, border_color="#A6A6A6"))
    ws.merge_range(s.row, 4, s.row, 6, "Merged E:G, centred on a fill",
                   s.fmt(align="center", valign="vcenter", bg_color="#FCE4D6", bold=True, border=1))
    s.row += 1
    s.label("rotation")
    ws.set_row(s.row, 62)
    for i, (angle, text) in enumerate([(45, "up 45\u00b0"), (90, "up 90\u00b0"), (-45, "down 45\u00b0"),
                                       (-90, "down 90\u00b0"), (270, "STACK")]):
        ws.write(s.row, 1 + i, text, s.fmt(rotation=angle, align="center", valign="vcenter", bold=True,
                                            font_color=NAVY))
    ws.merge_range(s.row - 1, 7, s.row, 7, "rows 2\nmerged", s.fmt(align="center", valign="vcenter", text_wrap=True,
                                                                   bg_color=SKY, border=2))
    s.row += 1
    s.label("overflow")
    ws.write(s.row, 1, "Long text runs over its empty neighbours and is cut where a filled cell begins")
    ws.write(s.row, 5, "filled", s.fmt(bg_color="#D9D9D9", align="center"))
    ws.write(s.row, 7, "right-aligned spills left", s.fmt(align="right"))
    s.row += 1


def numbers(s):
    ws = s.ws
    s.heading("Number formats")
    cases = [
        ("currency", 1234.5, "$#,##0.00"), ("euro", -1234.5, "#,##0.00 [$\u20ac-x-euro2];[Red]-#,##0.00 [$\u20ac]"),
        ("percent", 0.1234, "0.0%"), ("thousands", 1234567.891, "#,##0"),
        ("date", datetime.date(2024, 2, 29), "d mmm yyyy"), ("short date", datetime.date(2024, 2, 29), 14),
        ("time", datetime.time(13, 45, 30), "h:mm:ss AM/PM"), ("date time", datetime.datetime(2024, 7, 4, 18, 5), 22),
        ("fraction", 3.375, "# ?/?"), ("fraction 1/16", 0.3125, "# ??/16"),
        ("scientific", 123456789.0, "0.00E+00"), ("negative red", -42.5, "#,##0.00;[Red]-#,##0.00"),
        ("accounting", -1500, '_($* #,##0_);_($* (#,##0);_($* "-"_);_(@_)'), ("text @", "00123", "@"),
    ]
    for k, (name, value, code) in enumerate(cases):
        col = 1 + (k % 2) * 4
        row = s.row + k // 2
        ws.write(row, col, name, s.fmt(font_color=GREY, font_size=9))
        ws.write(row, col + 1, code if isinstance(code, str) else "built-in %d" % code,
                 s.fmt(font_name="Courier New", font_size=8, font_color=GREY))
        f = s.fmt(num_format=code)
        if isinstance(value, (datetime.date, datetime.time)):
            ws.write_datetime(row, col + 2, value, f)
        elif isinstance(value, str):
            ws.write_string(row, col + 2, value, f)
        else:
            ws.write_number(row, col + 2, value, f)
    s.label("value")
    s.row += (len(cases) + 1) // 2


def hidden(s):
    ws = s.ws
    s.heading("Hidden rows and columns collapse: column I and the middle row below are hidden")
    for r, text in enumerate(["row above", "hidden row", "row below"]):
        ws.write(s.row + r, 1, text)
        for c in range(2, 10):
            ws.write(s.row + r, c, xlsxwriter.utility.xl_col_to_name(c), s.fmt(align="center", font_color=GREY))
    ws.set_row(s.row + 1, None, None, {"hidden": True})
    s.row += 3


def showcase_sheet(wb):
    ws = wb.add_worksheet("Showcase")
    s = Sheet(wb, ws)
    ws.set_column(0, 0, 10)
    ws.set_column(1, 7, 13.5)
    ws.set_column(8, 8, 13.5, None, {"hidden": True})
    ws.set_column(9, 9, 2)
    title(s)
    fills(s)
    borders(s)
    fonts(s)
    alignment(s)
    numbers(s)
    hidden(s)
    ws.set_paper(1)
    ws.fit_to_pages(1, 1)


def ledger_sheet(wb):
    """A long table of dates, names and amounts: print pages of it split both ways."""
    ws = wb.add_worksheet("Ledger")
    head = wb.add_format({"bold": True, "font_color": "#FFFFFF", "bg_color": NAVY, "border": 1, "align": "center",
                          "valign": "vcenter", "text_wrap": True})
    columns = [("Date", 11, "yyyy-mm-dd"), ("Invoice", 9, "0"), ("Customer", 18, None), ("Region", 10, None),
               ("Item", 16, None), ("Qty", 6, "0"), ("Unit price", 11, "$#,##0.00"),
               ("Net", 12, "$#,##0.00;[Red]-$#,##0.00"), ("VAT", 7, "0%"), ("Gross", 12, "$#,##0.00"),
               ("Paid", 8, None), ("Margin", 9, "0.0%;[Red]-0.0%")]
    for c, (name, width, _) in enumerate(columns):
        ws.set_column(c, c, width)
        ws.write(0, c, name, head)
    ws.set_row(0, 30)
    customers = ["Acme Ltd", "Birch & Co", "Cobalt Systems", "Delta Foods", "Evergreen", "Falcon Air",
                 "Granite Works", "Harbour Trust"]
    regions = ["North", "South", "East", "West"]
    items = ["Widgets", "Gaskets", "Bearings", "Sprockets", "Valves", "Hinges", "Brackets"]
    stripe = [wb.add_format({"bg_color": "#F2F2F2" if k else "#FFFFFF", "bottom": 7, "bottom_color": "#BFBFBF",
                             "num_format": code or "General"}) for k in (0, 1) for (_, _, code) in columns]
    start = datetime.date(2024, 1, 2)
    seed = 12345
    sums = [0.0, 0.0]
    for r in range(1, 181):
        seed = (seed * 1103515245 + 12345) % 2 ** 31
        qty = 1 + seed % 40
        price = 2.5 + (seed >> 8) % 9000 / 100.0
        net = qty * price * (-1 if r % 17 == 0 else 1)
        vat = (0.2, 0.05, 0.0)[(seed >> 4) % 3]
        row = [start + datetime.timedelta(days=r * 2), 10000 + r, customers[seed % 8], regions[(seed >> 3) % 4],
               items[(seed >> 5) % 7], qty, price, net, vat, net * (1 + vat), "yes" if (seed >> 6) % 3 else "no",
               ((seed >> 7) % 600 - 100) / 1000.0]
        sums[0] += row[7]
        sums[1] += row[9]
        for c, value in enumerate(row):
            f = stripe[(r % 2) * len(columns) + c]
            if isinstance(value, datetime.date):
                ws.write_datetime(r, c, datetime.datetime.combine(value, datetime.time()), f)
            else:
                ws.write(r, c, value, f)
    total = wb.add_format({"bold": True, "top": 6, "num_format": "$#,##0.00"})
    ws.write(181, 6, "Total", wb.add_format({"bold": True, "top": 6, "align": "right"}))
    ws.write_formula(181, 7, "=SUM(H2:H181)", total, sums[0])
    ws.write_formula(181, 9, "=SUM(J2:J181)", total, sums[1])
    ws.freeze_panes(1, 0)
    ws.set_paper(1)
    ws.set_landscape()
    ws.repeat_rows(0)
    ws.fit_to_pages(1, 0)
    ws.set_header('&L&"-,Bold"&14Ledger 2024&C&A&R&F')
    ws.set_footer("&L&8Figures in US dollars&RPage &P of &N")


def png_bytes(width, height, pixel):
    """A PNG of width x height whose pixel(x, y) gives (r, g, b): written with zlib alone."""
    import struct
    import zlib
    raw = b"".join(b"\x00" + bytes(c for x in range(width) for c in pixel(x, y)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def sunset_png():
    """160 x 100 px: a sky from navy to orange over a green hill."""
    def pixel(x, y):
        if (x - 80) ** 2 / 2 + (y - 150) ** 2 < 70 ** 2:
            return (84, 130, 53)
        t = y / 99.0
        return (int(31 + 206 * t), int(56 + 69 * t), int(100 - 51 * t))
    return png_bytes(160, 100, pixel)


# Preset shapes swapped for the text boxes' rectangles, in the order the boxes are inserted.
SHAPES = ["ellipse", "rightArrow", "star5", "roundRect", "hexagon"]

MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun"]
SERIES = [("North", [42, 51, 47, 63, 70, 78]), ("South", [35, 38, 44, 41, 52, 60]),
          ("East", [28, 33, 30, 39, 45, 49]), ("West", [50, 46, 53, 57, 55, 66])]


def drawings_sheet(wb):
    """Charts of each common kind, conditional formats with data bars, icon sets and a colour
    scale, a styled table with totals, sparklines, a picture, preset shapes, a text box and a
    note, printed on one landscape letter page."""
    ws = wb.add_worksheet("Drawings")
    ws.set_column(0, 0, 9)
    ws.set_column(1, 4, 10)
    ws.set_column(5, 6, 14)
    ws.merge_range(0, 0, 0, 12, "Charts, tables, conditional formats, sparklines, pictures, shapes and notes",
                   wb.add_format({"bold": True, "font_size": 16, "font_color": "#FFFFFF", "bg_color": NAVY,
                                  "align": "center", "valign": "vcenter"}))
    ws.set_row(0, 28)
    rows = [[m] + [s[1][k] for s in SERIES] for k, m in enumerate(MONTHS)]
    columns = [{"header": "Month", "total_string": "Total"}] + [
        {"header": name, "total_function": "sum"} for name, _ in SERIES]
    ws.add_table(2, 0, 9, 4, {"data": rows, "columns": columns, "total_row": True, "name": "Sales",
                              "style": "Table Style Medium 2"})
    ws.conditional_format(3, 1, 8, 1, {"type": "data_bar", "bar_color": "#63BE7B", "bar_solid": True})
    ws.conditional_format(3, 2, 8, 2, {"type": "icon_set", "icon_style": "3_arrows"})
    ws.conditional_format(3, 3, 8, 3, {"type": "3_color_scale"})
    ws.conditional_format(3, 4, 8, 4, {"type": "icon_set", "icon_style": "3_traffic_lights"})
    ws.write(2, 5, "Trend", wb.add_format({"bold": True}))
    ws.write(2, 6, "Months", wb.add_format({"bold": True}))
    for k in range(4):
        col = xlsxwriter.utility.xl_col_to_name(1 + k)
        ws.write(3 + k, 5, SERIES[k][0], wb.add_format({"font_color": GREY, "font_size": 8, "align": "right"}))
    for r in range(3, 9):
        ws.add_sparkline(r, 6, {"range": "Drawings!B%d:E%d" % (r + 1, r + 1), "type": "column",
                                "high_point": True, "series_color": "#2E75B6"})
    for k in range(4):
        col = xlsxwriter.utility.xl_col_to_name(1 + k)
        ws.add_sparkline(3 + k, 5, {"range": "Drawings!%s4:%s9" % (col, col), "markers": True,
                                    "series_color": "#C00000"})
    ws.write_comment(9, 0, "A note: printed where the sheet shows it.",
                     {"visible": True, "start_cell": "F10", "width": 170, "height": 40})
    ws.insert_image(1, 8, "sunset.png", {"image_data": io.BytesIO(sunset_png()), "x_offset": 20, "y_offset": 6})
    ws.insert_textbox(1, 11, "A text box: wrapped text on a fill, with an outline.",
                      {"width": 180, "height": 80, "font": {"color": NAVY, "size": 11},
                       "fill": {"color": "#FFF2CC"}, "line": {"color": "#BF8F00", "width": 1.5},
                       "align": {"vertical": "middle", "horizontal": "center"}})
    colours = ["#4472C4", "#ED7D31", "#70AD47", "#FFC000", "#7030A0"]
    for k, (name, colour) in enumerate(zip(SHAPES, colours)):
        ws.insert_textbox(7, 8 + k, name, {"width": 80, "height": 60, "x_offset": 4, "font": {"color": "#FFFFFF", "bold": True, "size": 9},
                                           "fill": {"color": colour}, "line": {"none": True},
                                           "align": {"vertical": "middle", "horizontal": "center"}})
    kinds = [("column", None, "Column"), ("bar", None, "Bar"), ("line", None, "Line"), ("area", None, "Area"),
             ("pie", None, "Pie"), ("doughnut", None, "Doughnut"), ("scatter", "straight_with_markers", "Scatter"),
             ("radar", None, "Radar")]
    for k, (kind, subtype, name) in enumerate(kinds):
        chart = wb.add_chart({"type": kind, "subtype": subtype} if subtype else {"type": kind})
        shown = SERIES[:1] if kind in ("pie", "doughnut") else SERIES[:3]
        for s_index, (series, _) in enumerate(shown):
            col = xlsxwriter.utility.xl_col_to_name(1 + s_index)
            chart.add_series({"name": series, "categories": "=Drawings!$A$4:$A$9",
                              "values": "=Drawings!$%s$4:$%s$9" % (col, col)})
        chart.set_title({"name": name, "name_font": {"size": 11}})
        chart.set_size({"width": 256, "height": 180})
        if kind in ("pie", "doughnut"):
            chart.set_legend({"position": "right"})
        else:
            chart.set_legend({"position": "bottom"})
        ws.insert_chart(12 + (k // 4) * 10, 0, chart, {"x_offset": 4 + (k % 4) * 264, "y_offset": 4})
    ws.set_paper(1)
    ws.set_landscape()
    ws.fit_to_pages(1, 1)
    ws.set_margins(left=0.4, right=0.4, top=0.5, bottom=0.5)


def swap_shapes(path):
    """Gives the shape text boxes their preset geometries in the drawing part, and prints the
    Drawings sheet's notes as they show on the sheet."""
    tmp = tempfile.NamedTemporaryFile(delete=False, suffix=".xlsx", dir=os.path.dirname(path) or ".")
    tmp.close()
    with zipfile.ZipFile(path) as src, zipfile.ZipFile(tmp.name, "w", zipfile.ZIP_DEFLATED) as dst:
        for item in src.infolist():
            data = src.read(item.filename)
            if item.filename.startswith("xl/drawings/drawing") and item.filename.endswith(".xml"):
                text = data.decode("utf-8")
                for name in SHAPES:
                    marker = '<a:t>%s</a:t>' % name
                    at = text.find(marker)
                    start = text.rfind('<a:prstGeom prst="rect">', 0, at)
                    if at < 0 or start < 0:
                        continue
                    text = text[:start] + '<a:prstGeom prst="%s">' % name + text[start + 24:]
                data = text.encode("utf-8")
            elif item.filename == "xl/worksheets/sheet3.xml":
                data = data.replace(b"<pageSetup ", b'<pageSetup cellComments="asDisplayed" ', 1)
            dst.writestr(item, data)
    shutil.move(tmp.name, path)


def swap_gradients(path):
    """Replaces the placeholder solid fills with gradient fills in xl/styles.xml."""
    tmp = tempfile.NamedTemporaryFile(delete=False, suffix=".xlsx", dir=os.path.dirname(path) or ".")
    tmp.close()
    with zipfile.ZipFile(path) as src, zipfile.ZipFile(tmp.name, "w", zipfile.ZIP_DEFLATED) as dst:
        for item in src.infolist():
            data = src.read(item.filename)
            if item.filename == "xl/styles.xml":
                text = data.decode("utf-8")
                for placeholder, (degree, first, last) in GRADIENTS.items():
                    rgb = "FF" + placeholder[1:].upper()
                    pattern = re.compile(r'<fill><patternFill patternType="solid"><fgColor rgb="%s"/>'
                                         r'<bgColor indexed="64"/></patternFill></fill>' % rgb)
                    gradient = ('<fill><gradientFill degree="%d"><stop position="0"><color rgb="%s"/></stop>'
                                '<stop position="1"><color rgb="%s"/></stop></gradientFill></fill>'
                                % (degree, first, last))
                    text, n = pattern.subn(gradient, text)
                    if n != 1:
                        sys.exit("make_showcase: placeholder fill %s not found once in styles.xml" % placeholder)
                data = text.encode("utf-8")
            dst.writestr(item, data)
    shutil.move(tmp.name, path)


PASSWORD = "showcase"


def protect(path):
    """Writes the password-protected copy NAME-protected.xlsx beside the workbook with the built
    xlxencrypt tool; without the tool the copy is left as it is."""
    import subprocess
    tool = os.path.join(HERE, os.pardir, "build", "tools", "xlxencrypt", "xlxencrypt")
    copy = re.sub(r"\.xlsx$", "", path) + "-protected.xlsx"
    if not os.path.exists(tool):
        print("make_showcase: %s not built; %s not written" % (tool, copy))
        return
    subprocess.run([tool, path, copy, PASSWORD], check=True)
    print(copy)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "showcase.xlsx")
    wb = xlsxwriter.Workbook(out)
    wb.set_properties({"title": "xlxfilter showcase", "author": "xlxfilter", "subject": "What the filter draws",
                       "created": datetime.datetime(2024, 7, 1, 12, 0, 0)})  # fixed, so reruns give the same file
    showcase_sheet(wb)
    ledger_sheet(wb)
    drawings_sheet(wb)
    wb.close()
    swap_gradients(out)
    swap_shapes(out)
    print(out)
    protect(out)


if __name__ == "__main__":
    main()
