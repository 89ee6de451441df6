#!/usr/bin/env python3
"""Gives every text of translations/timeclock-setup_zh_TW.ts that has no Traditional Chinese yet a first one.

    scripts/seed-zh_TW.py [--build DIR] [--no-update]

First brings both catalogues up to date with the sources (`cmake --build DIR --target update_translations`,
DIR defaults to build), then fills each unfinished or empty zh_TW entry with its Simplified source text
converted by OpenCC (`opencc -c s2twp`: Taiwan's characters and words) and the program's own word list
below, and marks it finished. Entries already translated are kept as they are, so hand-read translations
survive any number of runs. Prints every entry it seeded: read them through, since a character conversion
gets some words wrong; a word it gets wrong every time belongs in TAIWAN_WORDS.
"""

import argparse
import pathlib
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

REPO = pathlib.Path(__file__).resolve().parent.parent
CATALOGUE = REPO / "translations" / "timeclock-setup_zh_TW.ts"
LCONVERT = "/usr/lib/qt6/bin/lconvert"

# What s2twp writes, and what this program says in Taiwan instead: (pattern, replacement), applied in this
# order after OpenCC.
TAIWAN_WORDS = [
    ("串列埠", "序列埠"),                # a serial port, as Windows' Device Manager says it in Taiwan
    ("序列號", "序號"),                  # the terminal's serial number
    ("許可權", "權限"),
    ("引數", "參數"),
    ("進位制", "進位"),                  # 十六進位
    ("窗口", "視窗"),                    # s2twp keeps 同窗口 ("classmate") as it is
    ("默認", "預設"),
    ("指令碼", "腳本"),
    ("配置檔案", "設定檔"),
    ("註釋", "註解"),
    ("當前", "目前"),
    ("普通檔案", "一般檔案"),
    ("幫助", "說明"),
    ("退出碼", "結束代碼"),
    ("退出", "結束"),
    ("延時", "延遲"),
    ("查詢機號", "尋找機號"),            # 查找机号: the scan
    ("打開", "開啟"),
    ("出錯", "錯誤"),
    ("只讀", "唯讀"),
    ("成批", "批次"),
    ("“", "「"), ("”", "」"), ("‘", "『"), ("’", "』"),
    ("按回車(?=[，。；）]|$)", "按 Enter"),
    ("按回車", "按 Enter "),
    ("回車", "Enter"),
    ("終端(?!機)", "終端機"),
]

# A line break inside a text, kept out of OpenCC's way: it converts line by line.
LINE_BREAK = "\u2028"


def to_taiwan(texts):
    """Each text in Taiwan's usage: OpenCC's s2twp, then TAIWAN_WORDS."""
    if not texts:
        return []
    joined = "\n".join(text.replace("\n", LINE_BREAK) for text in texts) + "\n"
    converted = subprocess.run(["opencc", "-c", "s2twp"], input=joined, capture_output=True, text=True,
                               check=True).stdout
    lines = converted.rstrip("\n").split("\n")
    if len(lines) != len(texts):
        sys.exit("opencc gave back %d lines for %d texts" % (len(lines), len(texts)))
    result = []
    for line in lines:
        for pattern, taiwan in TAIWAN_WORDS:
            line = re.sub(pattern, taiwan, line)
        result.append(line.replace(LINE_BREAK, "\n"))
    return result


def unfinished(translation):
    if translation.get("type") in ("unfinished",):
        return True
    forms = translation.findall("numerusform")
    texts = [form.text or "" for form in forms] if forms else [translation.text or ""]
    return any(not text.strip() for text in texts)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=str(REPO / "build"), help="the configured build folder (default: build)")
    parser.add_argument("--no-update", action="store_true", help="do not run update_translations first")
    arguments = parser.parse_args()
    if shutil.which("opencc") is None:
        sys.exit("opencc not found (Debian package opencc)")
    if not arguments.no_update:
        subprocess.run(["cmake", "--build", arguments.build, "--target", "update_translations"], check=True)

    tree = ET.parse(CATALOGUE)
    todo = []
    for context in tree.getroot().iter("context"):
        for message in context.iter("message"):
            translation = message.find("translation")
            if translation is None or translation.get("type") in ("vanished", "obsolete") or not unfinished(translation):
                continue
            todo.append((context.findtext("name"), message, translation))
    seeded = to_taiwan([message.findtext("source") for _, message, _ in todo])
    for (context, message, translation), text in zip(todo, seeded):
        translation.attrib.pop("type", None)
        forms = translation.findall("numerusform")
        if forms:
            for form in forms:
                form.text = text
        else:
            translation.text = text
        print("%s: %s\n    %s" % (context, message.findtext("source"), text))
    if not todo:
        print("Every text has its Traditional Chinese already.")
        return
    tree.write(CATALOGUE, encoding="utf-8", xml_declaration=True)
    # Back into lupdate's own layout, so the next update leaves the file as it is.
    subprocess.run([LCONVERT, "-i", str(CATALOGUE), "-o", str(CATALOGUE)], check=True)
    print("Seeded %d text(s) in %s: read them through." % (len(todo), CATALOGUE.relative_to(REPO)))


if __name__ == "__main__":
    main()
