#!/usr/bin/env bash
# Makes the roster test files of this folder with real spreadsheet writers. Run by hand, once;
# the files are committed. Needs libreoffice-calc-nogui and python3-uno (LibreOffice writes
# roster.{xlsx,xls,csv}, no-name-column.xlsx and the password-protected password.xls)
# and libxlsxwriter-dev (inline-strings.xlsx, whose text Excel-compatible writers in
# constant-memory mode store inline rather than in the shared string table).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One roster as a school office sends it: a title merged over the columns, the header below it,
# 学号 as numbers, a name with an ideographic blank before it, an empty row, a name in rich text
# (its surname bold); a second sheet with other names that must not be read.
sheet() { # name, rows
    echo "<table:table table:name=\"$1\"><table:table-column table:number-columns-repeated=\"4\"/>$2</table:table>"
}
text() { echo "<table:table-cell office:value-type=\"string\"><text:p>$1</text:p></table:table-cell>"; }
number() { echo "<table:table-cell office:value-type=\"float\" office:value=\"$1\"><text:p>$1</text:p></table:table-cell>"; }
row() { echo "<table:table-row>$*</table:table-row>"; }
fods() { # file, tables
    cat >"$1" <<FODS
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles><style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style></office:automatic-styles>
<office:body><office:spreadsheet>$2</office:spreadsheet></office:body></office:document>
FODS
}

roster=$(sheet "高一（3）班" "$(row "<table:table-cell table:number-columns-spanned=\"4\" office:value-type=\"string\"><text:p>2026级高一（3）班学生名单</text:p></table:table-cell><table:covered-table-cell table:number-columns-repeated=\"3\"/>")
$(row "$(text 序号)$(text 学号)$(text 姓名)$(text 性别)")
$(row "$(number 1)$(number 20260301)$(text 王芳)$(text 女)")
$(row "$(number 2)$(number 20260302)$(text '　李娜')$(text 女)")
<table:table-row><table:table-cell table:number-columns-repeated=\"4\"/></table:table-row>
$(row "$(number 3)$(number 20260303)<table:table-cell office:value-type=\"string\"><text:p><text:span text:style-name=\"T1\">曾</text:span>小明</text:p></table:table-cell>$(text 男)")
$(row "$(number 4)$(number 20260304)$(text 欧阳娜娜)$(text 女)")")
other=$(sheet "说明" "$(row "$(text 姓名)$(text 备注)")$(row "$(text 张三)$(text 不是本班)")")
fods "$work/roster.fods" "$roster$other"
fods "$work/no-name-column.fods" "$(sheet "成绩" "$(row "$(text 学号)$(text 语文)$(text 数学)")$(row "$(number 20260301)$(number 98)$(number 87)")")"

export HOME=$work  # LibreOffice's profile goes with the temporary folder
convert() { soffice --headless --convert-to "$1" --outdir "$work" "$2" >/dev/null; }
convert xlsx "$work/roster.fods"
convert xls "$work/roster.fods"
convert 'csv:Text - txt - csv (StarCalc):44,34,76' "$work/roster.fods"
convert xlsx "$work/no-name-column.fods"
cp "$work"/roster.{xlsx,xls,csv} "$work/no-name-column.xlsx" "$here/"

# The same roster as .xls with password 1234, saved by LibreOffice through its scripting
# interface (which does not encrypt .xlsx).
cat >"$work/protect.py" <<'PY'
import sys, time, subprocess, uno
from com.sun.star.beans import PropertyValue
def prop(name, value):
    p = PropertyValue(); p.Name = name; p.Value = value; return p
office = subprocess.Popen(["soffice", "--headless", "--accept=pipe,name=veltrana;urp;"])
resolver = uno.getComponentContext().ServiceManager.createInstanceWithContext(
    "com.sun.star.bridge.UnoUrlResolver", uno.getComponentContext())
for _ in range(60):
    try:
        context = resolver.resolve("uno:pipe,name=veltrana;urp;StarOffice.ComponentContext"); break
    except Exception:
        time.sleep(1)
desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
source, folder = sys.argv[1], sys.argv[2]
document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(source), "_blank", 0,
                                        (prop("Hidden", True),))
document.storeToURL(uno.systemPathToFileUrl(f"{folder}/password.xls"),
                    (prop("FilterName", "MS Excel 97"), prop("Password", "1234")))
document.close(True)
try:
    desktop.terminate()
except Exception:
    pass
try:
    office.wait(timeout=30)
except subprocess.TimeoutExpired:
    office.kill()
PY
/usr/bin/python3 "$work/protect.py" "$work/roster.fods" "$here"

# Inline strings and a number 学号, from libxlsxwriter in constant-memory mode.
cat >"$work/inline.c" <<'C'
#include <xlsxwriter.h>
int main(int argc, char** argv) {
    lxw_workbook_options options = {.constant_memory = LXW_TRUE};
    lxw_workbook* workbook = workbook_new_opt(argv[1], &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "名单");
    const char* names[] = {"王芳", "　李娜", "曾小明", "欧阳娜娜"};
    worksheet_write_string(sheet, 0, 0, "学号", NULL);
    worksheet_write_string(sheet, 0, 1, "姓名", NULL);
    for (int i = 0; i < 4; ++i) {
        worksheet_write_number(sheet, i + 1, 0, 20260301 + i, NULL);
        worksheet_write_string(sheet, i + 1, 1, names[i], NULL);
    }
    return workbook_close(workbook);
}
C
cc -o "$work/inline" "$work/inline.c" $(pkg-config --cflags --libs xlsxwriter)
"$work/inline" "$here/inline-strings.xlsx"
