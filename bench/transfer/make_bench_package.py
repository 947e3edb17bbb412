#!/usr/bin/env python3
"""Writes a GBK shop package with PICTURES distinct description pictures on BASE_URL/p/<n>.jpg,
ten to an item, padded with description text up to about SIZE_MB megabytes.

Usage: make_bench_package.py OUT.csv BASE_URL PICTURES [SIZE_MB]
"""
import sys


def main():
    out, base, pictures = sys.argv[1], sys.argv[2].rstrip("/"), int(sys.argv[3])
    size = int(float(sys.argv[4]) * 1024 * 1024) if len(sys.argv) > 4 else 0
    per_item = 10
    items = (pictures + per_item - 1) // per_item
    header = "宝贝名称\tcid\t宝贝描述\r\n".encode("gbk")
    rows = []
    n = 0
    for item in range(items):
        pics = []
        for _ in range(min(per_item, pictures - n)):
            pics.append('<p><img src=""%s/p/%d.jpg"" /></p>' % (base, n))
            n += 1
        rows.append(("宝贝%d\t50010850\t\"<p>这是一段宝贝描述文字。</p>%s\"\r\n" % (item, "".join(pics))).encode("gbk"))
    used = len(header) + sum(len(r) for r in rows)
    pad = max(0, (size - used) // max(1, items))
    filler = ("<p>" + "描述" * (pad // 4 + 1))[:pad // 2]
    with open(out, "wb") as f:
        f.write(header)
        for row in rows:
            if pad:
                row = row.replace("</p>".encode("gbk"), ("</p>" + filler + "</p>").encode("gbk"), 1)
            f.write(row)


if __name__ == "__main__":
    main()
