#!/usr/bin/env bash
# Compiles resources/tarnwick.rc with the MinGW cross windres and checks that
# the icon and version information come out the way the Windows build needs
# them: one 48x48 32-bpp icon taken verbatim from favicon.ico, and a version
# block for tarnwick1.exe with all-zero version numbers.
#
# Usage: check_rc.sh [REPO_ROOT] [SCRATCH_DIR] [EXE]
#   REPO_ROOT    defaults to two levels above this script
#   SCRATCH_DIR  defaults to a fresh temporary directory (removed afterwards)
#   EXE          the built Windows program: check the resources linked into
#                it rather than those compiled from the script
#
# Environment: WINDRES overrides the windres binary to use; PE_MACHINE is
# the machine the object must be built for (0x14c, i386, unless 0x8664).

set -euo pipefail

script_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "${1:-$script_dir/../..}" && pwd)"

if [[ $# -ge 2 ]]; then
    scratch="$2"
    mkdir -p "$scratch"
else
    scratch="$(mktemp -d)"
    trap 'rm -rf "$scratch"' EXIT
fi

rc="$root/resources/tarnwick.rc"
ico="$root/resources/image/favicon.ico"
windres="${WINDRES:-i686-w64-mingw32-windres}"
python=/usr/bin/python3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[[ -f "$rc" ]] || fail "missing $rc"
[[ -f "$ico" ]] || fail "missing $ico"
command -v "$windres" >/dev/null 2>&1 ||
    fail "$windres not found (Debian package: binutils-mingw-w64-i686)"
[[ -x "$python" ]] || fail "$python not found"

# windres runs the C preprocessor over the script. It defaults to the MinGW
# cross gcc, which a machine with only the cross binutils does not have; the
# host cpp does the same job for a script that includes no Windows headers.
pp_args=()
if ! command -v i686-w64-mingw32-gcc >/dev/null 2>&1; then
    command -v cpp >/dev/null 2>&1 || fail "no C preprocessor for windres (need i686-w64-mingw32-gcc or cpp)"
    pp_args=(--preprocessor=cpp)
fi

# The checks live in one small python program; it first looks at
# favicon.ico alone (so a broken icon is reported as such rather than as a
# windres failure), then at what windres made of the script.
checker="$scratch/check_rc.py"
cat >"$checker" <<'PY'
import os
import struct
import sys

mode, ico_path = sys.argv[1:3]
failures = []


def check(cond, what, detail=""):
    if cond:
        print("ok: " + what)
    else:
        msg = what + (" (" + detail + ")" if detail else "")
        print("FAIL: " + msg)
        failures.append(msg)
    return cond


def finish():
    if failures:
        print("windres: %d check(s) failed" % len(failures))
        sys.exit(1)


# ---------------------------------------------------------------- favicon.ico
ico = open(ico_path, "rb").read()
check(len(ico) == 9662, "favicon.ico is 9662 bytes", "got %d" % len(ico))
ico_image = None
if len(ico) >= 22:
    reserved, kind, count = struct.unpack_from("<HHH", ico, 0)
    check(reserved == 0 and kind == 1 and count == 1,
          "favicon.ico header: icon type with exactly 1 image",
          "reserved=%d type=%d count=%d" % (reserved, kind, count))
    w, h, colours, _, planes, bpp, size, offset = struct.unpack_from("<BBBBHHII", ico, 6)
    check((w, h) == (48, 48), "favicon.ico directory entry is 48x48", "got %dx%d" % (w, h))
    check(bpp == 32, "favicon.ico directory entry is 32 bpp", "got %d" % bpp)
    if check(offset + size == len(ico) and offset >= 22,
             "favicon.ico image data lies inside the file",
             "offset=%d size=%d file=%d" % (offset, size, len(ico))):
        ico_image = ico[offset:offset + size]
        hdr = struct.unpack_from("<IiiHHI", ico_image, 0)
        check(hdr == (40, 48, 96, 1, 32, 0),
              "favicon.ico bitmap header: BITMAPINFOHEADER 48x(2*48), 32 bpp, uncompressed",
              "got size=%d w=%d h=%d planes=%d bpp=%d compression=%d" % hdr)
else:
    check(False, "favicon.ico header is readable", "file too short")
finish()
if mode == "ico":
    sys.exit(0)
res_path, obj_path, rc_text_path = sys.argv[3:6]


# ------------------------------------------------------------------ .res file
def align4(n):
    return (n + 3) & ~3


def read_id(buf, off):
    """Resource type/name: 0xFFFF + ordinal, or a NUL-terminated UTF-16 string."""
    (first,) = struct.unpack_from("<H", buf, off)
    if first == 0xFFFF:
        (ordinal,) = struct.unpack_from("<H", buf, off + 2)
        return ordinal, off + 4
    end = off
    while struct.unpack_from("<H", buf, end)[0] != 0:
        end += 2
    return buf[off:end].decode("utf-16-le"), end + 2


def parse_res(buf):
    entries = []
    off = 0
    while off + 8 <= len(buf):
        data_size, header_size = struct.unpack_from("<II", buf, off)
        rtype, p = read_id(buf, off + 8)
        name, p = read_id(buf, p)
        p = align4(p)
        _, _, lang = struct.unpack_from("<IHH", buf, p)
        data = buf[off + header_size:off + header_size + data_size]
        if not (rtype == 0 and name == 0 and data_size == 0):  # leading empty marker
            entries.append({"type": rtype, "name": name, "lang": lang, "data": data})
        off = align4(off + header_size + data_size)
    return entries


RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
res = parse_res(open(res_path, "rb").read())

groups = [e for e in res if e["type"] == RT_GROUP_ICON]
icons = [e for e in res if e["type"] == RT_ICON]
check(len(groups) == 1 and groups[0]["name"] == "IDI_ICON1",
      "exactly one icon group, named IDI_ICON1",
      "found %s" % [g["name"] for g in groups])
icon_id = None
if groups:
    g = groups[0]["data"]
    reserved, kind, count = struct.unpack_from("<HHH", g, 0)
    check(kind == 1 and count == 1, "icon group holds exactly one image", "type=%d count=%d" % (kind, count))
    if count >= 1:
        w, h, colours, _, planes, bpp, size, icon_id = struct.unpack_from("<BBBBHHIH", g, 6)
        check((w, h, bpp) == (48, 48, 32), "icon group image is 48x48 at 32 bpp",
              "got %dx%d at %d bpp" % (w, h, bpp))
        check(size == len(ico_image), "icon group records the favicon image size",
              "group says %d, favicon image is %d" % (size, len(ico_image)))

check(len(icons) == 1, "exactly one RT_ICON image in the .res", "found %d" % len(icons))
match = [e for e in icons if e["name"] == icon_id]
if check(len(match) == 1, "icon group refers to an existing RT_ICON", "id %r" % (icon_id,)):
    data = match[0]["data"]
    same = data == ico_image
    detail = ""
    if not same:
        diff_at = next((i for i, (a, b) in enumerate(zip(data, ico_image)) if a != b), min(len(data), len(ico_image)))
        detail = "sizes %d vs %d, first difference at byte %d" % (len(data), len(ico_image), diff_at)
    check(same, "RT_ICON data is byte-identical to the image in favicon.ico", detail)

# The COFF object (or the program) carries the same resources; the icon bytes
# must be in it.
obj = open(obj_path, "rb").read()
(machine,) = struct.unpack_from("<H", obj, 0)
if obj[:2] == b"MZ":
    (pe,) = struct.unpack_from("<I", obj, 0x3C)
    (machine,) = struct.unpack_from("<H", obj, pe + 4)
want = int(os.environ.get("PE_MACHINE", "0x14c"), 16)
check(machine == want and b".rsrc" in obj, "COFF object is for machine 0x%x with a .rsrc section" % want,
      "machine=0x%x" % machine)
check(ico_image is not None and ico_image in obj, "COFF object contains the favicon image bytes")


# ------------------------------------------------------------- version block
def parse_node(buf, off, path=()):
    """One VS_VERSIONINFO node; `path` holds the keys of its ancestors."""
    length, value_len, vtype = struct.unpack_from("<HHH", buf, off)
    end = off + length
    p = off + 6
    key_end = p
    while struct.unpack_from("<H", buf, key_end)[0] != 0:
        key_end += 2
    key = buf[p:key_end].decode("utf-16-le")
    p = align4(key_end + 2)
    children = []
    if len(path) == 3 and path[1] == "StringFileInfo":
        # A String leaf: its text runs to the end of the node, NUL padded.
        # (Compilers disagree on whether wValueLength counts bytes or
        # characters, so it is not relied on here.)
        value = buf[p:end].decode("utf-16-le").split("\0", 1)[0]
        return {"key": key, "value": value, "children": children}, end
    vbytes = value_len * 2 if vtype == 1 else value_len
    value = buf[p:p + vbytes]
    p = align4(p + vbytes)
    while p < end:
        child, p = parse_node(buf, p, path + (key,))
        children.append(child)
        p = align4(p)
    return {"key": key, "value": value, "children": children}, end


versions = [e for e in res if e["type"] == RT_VERSION]
if not check(len(versions) == 1, "exactly one VERSIONINFO resource", "found %d" % len(versions)):
    finish()
root, _ = parse_node(versions[0]["data"], 0)
check(root["key"] == "VS_VERSION_INFO", "version resource is a VS_VERSION_INFO", "key %r" % root["key"])
fixed = root["value"]
if check(len(fixed) == 52 and struct.unpack_from("<I", fixed, 0)[0] == 0xFEEF04BD,
         "version resource has a VS_FIXEDFILEINFO"):
    fv_ms, fv_ls, pv_ms, pv_ls = struct.unpack_from("<IIII", fixed, 8)

    def fmt(ms, ls):
        return "%d,%d,%d,%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    check(fmt(fv_ms, fv_ls) == "0,0,0,0", "FILEVERSION is 0,0,0,0", "got " + fmt(fv_ms, fv_ls))
    check(fmt(pv_ms, pv_ls) == "0,0,0,0", "PRODUCTVERSION is 0,0,0,0", "got " + fmt(pv_ms, pv_ls))

by_key = {c["key"]: c for c in root["children"]}
sfi = by_key.get("StringFileInfo")
tables = sfi["children"] if sfi else []
check(len(tables) == 1 and tables[0]["key"].lower() == "040904b0",
      "one string table, language 0409 code page 04b0",
      "found %s" % [t["key"] for t in tables])

expected = {
    "Comments": "",
    "CompanyName": "",
    "FileDescription": "",
    "FileVersion": "0.0.0.0",
    "InternalName": "",
    "LegalCopyright": "",
    "LegalTrademarks": "",
    "OriginalFilename": "tarnwick1.exe",
    "PrivateBuild": "",
    "ProductName": "tarnwick1",
    "ProductVersion": "0.0.0.0",
    "SpecialBuild": "",
}
strings = {s["key"]: s["value"] for s in tables[0]["children"]} if tables else {}
for key, want in expected.items():
    got = strings.get(key)
    shown = '"%s"' % want if want else "empty"
    check(got == want, '%s is %s' % (key, shown),
          "missing" if got is None else 'got "%s"' % got)
extra = sorted(set(strings) - set(expected))
check(not extra, "no unexpected version strings", "extra: %s" % extra)

vfi = by_key.get("VarFileInfo")
trans = [c for c in (vfi["children"] if vfi else []) if c["key"] == "Translation"]
got = struct.unpack("<%dH" % (len(trans[0]["value"]) // 2), trans[0]["value"]) if trans else ()
check(got == (0x0409, 1200), "VarFileInfo Translation is 0x409, 1200", "got %s" % (got,))

# ------------------------------------------------ decompiled text agrees too
text = open(rc_text_path, encoding="utf-8", errors="replace").read()
check('"IDI_ICON1" 14' in text and "Has 1 elements" in text,
      "decompiled rc shows group icon IDI_ICON1 with one element")
check('BLOCK "040904b0"' in text and 'VALUE "Translation", 0x409, 1200' in text,
      "decompiled rc shows block 040904b0 and Translation 0x409, 1200")
missing = [k for k, v in expected.items() if 'VALUE "%s", "%s"' % (k, v) not in text]
check(not missing, "decompiled rc lists every version string with its value", "missing/different: %s" % missing)

finish()
PY

"$python" "$checker" ico "$ico"

res="$scratch/tarnwick.res"
obj="$scratch/tarnwick_rc.o"
decompiled="$scratch/tarnwick_decompiled.rc"

if [[ -n "${3:-}" ]]; then
    obj=$3
    "$windres" -i "$obj" -O res -o "$res" || fail "windres could not read the resources of $obj"
    echo "ok: windres read the resources of $(basename "$obj")"
else
    "$windres" "${pp_args[@]}" -i "$rc" -O res -o "$res" ||
        fail "windres could not compile $rc to a .res file"
    echo "ok: windres compiled tarnwick.rc to a .res file"

    "$windres" "${pp_args[@]}" -i "$rc" -O coff -o "$obj" ||
        fail "windres could not compile $rc to a COFF object"
    echo "ok: windres compiled tarnwick.rc to a COFF object"
fi

"$windres" -i "$res" -O rc -o "$decompiled" ||
    fail "windres could not decompile $res"
echo "ok: windres decompiled the .res back to rc text"

"$python" "$checker" res "$ico" "$res" "$obj" "$decompiled"

echo "windres: all checks passed"
