#!/usr/bin/env python3
"""Writes a shop data package as the shop's export tool does, for tests, the demo and benchmarks.

The package is tab-separated: "version 1.00", the English column names, their Chinese captions,
then one line per item. Text fields are quoted with inner quotes doubled; descriptions are HTML
with CR LF inside (`<img src=""URL"">`, alt texts, links, item links, data-ke-src), the wireless
description holds `<img>URL</img>`, and the picture column holds `<32 hex>:<n>:0:|URL;` items
whose pictures lie beside the package as <package dir>/<base name>/<hex>.tbi.

Picture addresses are <base URL>/p/<outcome>/<name> so that a local test server can answer by
path (ok_jpg, ok_png, ok_gif, ok_webp, e404, html, ...). Pictures are shared between items, some
addresses differ only in letter case, some end in "_.webp", and a few lie in the platform's own
storage form (<base URL>/imgextra/...), which is listed only for the protected-picture check.

The 5.36 variant (--variant 536) writes each description as unquoted base64 of its UTF-8 HTML.

Examples:
  make_package.py out/shop.csv --items 12 --encoding gbk
  make_package.py out/big.csv --size-mb 60 --variant 536 --no-tbi
"""
import argparse
import base64
import hashlib
import os
import random
import sys

COLUMNS = [
    ("title", "宝贝名称"), ("cid", "宝贝类目"), ("seller_cids", "店铺类目"),
    ("stuff_status", "新旧程度"), ("location_state", "省"), ("location_city", "城市"),
    ("item_type", "出售方式"), ("price", "宝贝价格"), ("auction_increment", "加价幅度"),
    ("num", "宝贝数量"), ("valid_thru", "有效期"), ("freight_payer", "运费承担"),
    ("post_fee", "平邮"), ("ems_fee", "EMS"), ("express_fee", "快递"),
    ("has_invoice", "发票"), ("has_warranty", "保修"), ("approve_status", "放入仓库"),
    ("has_showcase", "橱窗推荐"), ("list_time", "开始时间"), ("description", "宝贝描述"),
    ("cateProps", "宝贝属性"), ("postage_id", "邮费模版ID"), ("has_discount", "会员打折"),
    ("modified", "修改时间"), ("upload_fail_msg", "上传状态"), ("picture_status", "图片状态"),
    ("auction_point", "返点比例"), ("picture", "新图片"), ("video", "视频"),
    ("skuProps", "销售属性组合"), ("inputPids", "用户输入ID串"),
    ("inputValues", "用户输入名-值对"), ("outer_id", "商家编码"), ("propAlias", "销售属性别名"),
    ("auto_fill", "代充类型"), ("num_id", "数字ID"), ("local_cid", "本地ID"),
    ("navigation_type", "宝贝分类"), ("user_name", "用户名称"), ("syncStatus", "宝贝状态"),
    ("is_lighting_consigment", "闪电发货"), ("is_xinpin", "新品"), ("foodparame", "食品专项"),
    ("features", "尺码库"), ("buyareatype", "采购地"), ("global_stock_type", "库存类型"),
    ("global_stock_country", "国家地区"), ("sub_stock_type", "库存计数"),
    ("item_size", "物流体积"), ("item_weight", "物流重量"), ("sell_promise", "退换货承诺"),
    ("custom_design_flag", "定制工具"), ("wireless_desc", "无线详情"), ("barcode", "商品条形码"),
    ("sku_barcode", "sku 条形码"), ("newprepay", "7天退货"), ("subtitle", "宝贝卖点"),
    ("cpv_memo", "属性值备注"), ("input_custom_cpv", "自定义属性值"),
    ("qualification", "商品资质"), ("add_qualification", "增加商品资质"),
    ("o2o_bind_service", "关联线下服务"),
]

KINDS = ["衬衫", "连衣裙", "牛仔裤", "卫衣", "风衣", "马甲", "T恤", "毛衣"]
STYLES = ["百搭", "修身", "宽松", "复古", "简约", "透气"]
COLOURS = ["黑色", "白色", "藏青", "卡其", "灰色", "酒红"]
SENTENCES = [
    "面料柔软舒适，做工精细，穿着效果非常好。",
    "洗涤时请勿暴晒，建议手洗或轻柔机洗。",
    "由于显示器不同，图片可能存在轻微色差。",
    "本店所有商品均为实物拍摄，颜色以实物为准。",
    "全国包邮，七天无理由退换，放心购买！",
    "新品上市，限时优惠，欢迎收藏本店。",
]
# Outcomes of description pictures, by weight; the test server answers by this path segment.
OUTCOMES = [("ok_jpg", 60), ("ok_png", 10), ("ok_gif", 4), ("ok_webp", 4), ("e404", 8),
            ("html", 4), ("flaky_404", 2), ("placeholder", 2), ("empty", 2)]
EXTENSIONS = {"ok_png": "png", "ok_gif": "gif"}
# The smallest JPEG worth the name, for the .tbi main-picture files.
TBI_JPEG = base64.b64decode(
    "/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwc"
    "KDcpLDAxNDQ0Hyc5PTgyPC4zNDL/wAALCAABAAEBAREA/8QAFAABAAAAAAAAAAAAAAAAAAAACf/EABQQAQAAAAAA"
    "AAAAAAAAAAAAAAD/2gAIAQEAAD8AKp//2Q==")


def weighted(rnd, table):
    total = sum(w for _, w in table)
    pick = rnd.randrange(total)
    for value, weight in table:
        if pick < weight:
            return value
        pick -= weight
    return table[-1][0]


def csv_quote(text):
    return '"' + text.replace('"', '""') + '"'


class Item:
    """One line of the package: its fields and the main pictures it needs on disk."""

    def __init__(self, index, rnd, base_url, seed):
        self.index = index
        self.rnd = rnd
        self.base = base_url.rstrip("/")
        self.seed = seed
        self.kind = rnd.choice(KINDS)
        self.title = f"{rnd.choice(STYLES)}{self.kind} {index}号 款式{rnd.randrange(100)}"
        self.main_keys = []

    def picture_url(self, name, outcome=None):
        outcome = outcome or weighted(self.rnd, OUTCOMES)
        extension = EXTENSIONS.get(outcome, "jpg")
        return f"{self.base}/p/{outcome}/{name}.{extension}"

    def description_pictures(self):
        i, rnd = self.index, self.rnd
        urls = [self.picture_url(f"d{i:06d}_{k}") for k in range(rnd.randint(2, 4))]
        urls.append(f"{self.base}/p/ok_jpg/s{rnd.randrange(40):06d}.jpg")  # shared by many items
        if i % 10 == 3:
            urls.append(f"{self.base}/p/ok_jpg/d{i:06d}_w.jpg_.webp")
        if i % 25 == 7:  # two addresses that differ only in letter case
            urls.append(f"{self.base}/p/ok_jpg/Case{i:06d}.jpg")
            urls.append(f"{self.base}/p/ok_jpg/case{i:06d}.jpg")
        if i % 20 == 11:  # already in the platform's own storage form
            urls.append(f"{self.base}/imgextra/i1/{i:06d}/platform.jpg")
        return urls

    def description(self):
        i, rnd = self.index, self.rnd
        lines = [
            '<p style="text-align:center;"><span style="font-size:18px;">'
            f"{rnd.choice(SENTENCES)}</span></p>",
            '<table border="1" cellpadding="4" cellspacing="0"><tbody>'
            f'<tr><td style="width:120px;">货号</td><td>HH{i:05d}</td></tr>'
            f'<tr><td style="width:120px;">颜色</td><td>{rnd.choice(COLOURS)}</td></tr>'
            f'<tr><td style="width:120px;">面料</td><td>棉{90 + i % 9}% 氨纶{10 - i % 9}%</td></tr>'
            "</tbody></table>",
        ]
        for k, url in enumerate(self.description_pictures()):
            if k % 3 == 1:
                lines.append(f'<p><img alt="{self.kind} {k}" src="{url}" align="absmiddle"></p>')
            elif i % 9 == 4 and k == 0:
                lines.append(f'<p><img data-ke-src="{url}" src="{url}" align="absmiddle"></p>')
            else:
                lines.append(f'<p><img src="{url}" align="absmiddle"></p>')
            lines.append(f'<p><span style="color:#666666;">{rnd.choice(SENTENCES)}</span></p>')
        if i % 5 == 2:
            lines.append(f'<p><a href="https://item.taobao.com/item.htm?id={600000000000 + i}" '
                         f'target="_blank"><img src="{self.base}/p/ok_jpg/link{i:06d}.jpg"></a></p>')
        lines.append(f'<p><a href="https://shop{1 + i % 9}.taobao.com/" target="_blank">'
                     "进店看看</a></p>")
        return "\r\n".join(lines)

    def wireless(self):
        i = self.index
        pictures = "".join(f"<img>{url}</img>" for url in (
            self.picture_url(f"w{i:06d}"), f"{self.base}/p/ok_jpg/s{i % 40:06d}.jpg"))
        return f"<wapDesc><txt>{self.rnd.choice(SENTENCES)}</txt>{pictures}</wapDesc>"

    def pictures(self):
        items = []
        for k in range(1, 3):
            key = hashlib.md5(f"{self.seed}-{self.index}-{k}".encode()).hexdigest()
            outcome = "e404" if (self.index + k) % 7 == 0 else "ok_jpg"
            items.append(f"{key}:{k}:0:|{self.base}/p/{outcome}/m{self.index:05d}_{k}.jpg;")
            self.main_keys.append(key)
        return "".join(items)

    def line(self, variant):
        i, rnd = self.index, self.rnd
        html = self.description()
        if variant == "536":
            description = base64.b64encode(html.encode("utf-8")).decode("ascii")
        else:
            description = csv_quote(html)
        values = {
            "title": csv_quote(self.title), "cid": "50010850",
            "seller_cids": csv_quote(f",{1208000 + i % 5},"), "stuff_status": "1",
            "location_state": csv_quote("浙江"), "location_city": csv_quote("杭州"),
            "item_type": "1", "price": f"{rnd.randrange(2000, 90000) / 100:.2f}",
            "auction_increment": "0", "num": str(rnd.randrange(1, 999)), "valid_thru": "7",
            "freight_payer": "2", "post_fee": "0.00", "ems_fee": "0.00", "express_fee": "0.00",
            "has_invoice": "0", "has_warranty": "0", "approve_status": "1", "has_showcase": "0",
            "list_time": f"2024-03-{1 + i % 28:02d} {i % 24:02d}:{i % 60:02d}:16",
            "description": description,
            "cateProps": csv_quote(f"20000:{3000 + i % 50};1627207:28341;"),
            "postage_id": "0", "has_discount": "0",
            "modified": csv_quote("2024-03-05 07:07:16"), "upload_fail_msg": "200",
            "picture_status": csv_quote("1;1;"), "auction_point": "0",
            "picture": csv_quote(self.pictures()), "video": csv_quote(""),
            "skuProps": csv_quote(""), "outer_id": csv_quote(f"HH{i:05d}"),
            "num_id": str(600000000000 + i), "user_name": csv_quote("测试店铺"),
            "syncStatus": "1", "features": csv_quote("mysize_tp:-1;sizeGroupType:"),
            "sub_stock_type": "-1", "item_weight": "-1",
            "sell_promise": csv_quote("bulk:0.000000"), "custom_design_flag": "0",
            "wireless_desc": csv_quote(self.wireless()), "newprepay": "1",
            "subtitle": csv_quote(f"{rnd.choice(SENTENCES)}"),
        }
        return "\t".join(values.get(name, '""') for name, _ in COLUMNS) + "\r\n"


def encode(text, encoding):
    # Characters GBK lacks would be a fault of this script: fail loudly.
    return text.encode("utf-16-le" if encoding == "utf16" else "gbk")


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("output", help="the package file to write (.csv)")
    size = parser.add_mutually_exclusive_group()
    size.add_argument("--items", type=int, default=12, help="number of items (default 12)")
    size.add_argument("--size-mb", type=float, help="write items until the file has this size")
    parser.add_argument("--encoding", choices=["utf16", "gbk"], default="utf16")
    parser.add_argument("--variant", choices=["plain", "536"], default="plain")
    parser.add_argument("--base-url", default="http://127.0.0.1:8000",
                        help="scheme, host and port of the picture addresses")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--no-tbi", action="store_true",
                        help="do not write the main-picture .tbi files")
    args = parser.parse_args(argv)

    rnd = random.Random(args.seed)
    header = "version 1.00\r\n" + "\t".join(n for n, _ in COLUMNS) + "\r\n" + \
        "\t".join(c for _, c in COLUMNS) + "\r\n"
    chunks = [b"\xff\xfe" if args.encoding == "utf16" else b"", encode(header, args.encoding)]
    written = sum(len(c) for c in chunks)
    limit = args.size_mb * 1024 * 1024 if args.size_mb else None
    keys = []
    index = 0
    while (limit is not None and written < limit) or (limit is None and index < args.items):
        index += 1
        item = Item(index, rnd, args.base_url, args.seed)
        chunk = encode(item.line(args.variant), args.encoding)
        chunks.append(chunk)
        written += len(chunk)
        keys.extend(item.main_keys)

    output = os.path.abspath(args.output)
    os.makedirs(os.path.dirname(output), exist_ok=True)
    with open(output, "wb") as f:
        f.write(b"".join(chunks))
    if not args.no_tbi:
        folder = os.path.splitext(output)[0]
        os.makedirs(folder, exist_ok=True)
        for key in keys:
            with open(os.path.join(folder, key + ".tbi"), "wb") as f:
                f.write(TBI_JPEG)
    print(f"{output}: {index} items, {written} bytes", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
