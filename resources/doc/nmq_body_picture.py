"""NMQ_人體背面圖.jpg: a drawing of the body seen from the back with the fifteen NMQ regions numbered and named as the
NMQ history sheet lists them (Q001 頸 ... Q015 右腳踝_腳). Seen from the back, the person's left side is on the
reader's left. Drawn with Pillow so that the picture stays reviewable as code."""
import io
import pathlib

from PIL import Image, ImageDraw, ImageFont

from docgen import write_if_changed

FILE_NAME = "NMQ_人體背面圖.jpg"
OUTPUTS = [FILE_NAME]
WIDTH, HEIGHT = 600, 900
SKIN = (236, 226, 214)
OUTLINE = (90, 90, 90)
MARK = (200, 40, 40)
FONT_FILES = [
    "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
    "/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc",
]

# (number, name, marker centre, label anchor); the label sits left or right of the body.
REGIONS = [
    (1, "頸", (300, 150), (325, 138)),
    (2, "左肩", (225, 185), (30, 150)),
    (3, "右肩", (375, 185), (470, 150)),
    (4, "上背", (300, 230), (318, 218)),
    (5, "下背或腰", (300, 345), (252, 365)),
    (6, "左手肘_前臂", (165, 330), (10, 290)),
    (7, "右手肘_前臂", (435, 330), (470, 290)),
    (8, "左手_手腕", (140, 445), (10, 490)),
    (9, "右手_手腕", (460, 445), (470, 490)),
    (10, "左臀_大腿", (255, 480), (10, 540)),
    (11, "右臀_大腿", (345, 480), (470, 540)),
    (12, "左膝", (255, 620), (30, 610)),
    (13, "右膝", (345, 620), (470, 610)),
    (14, "左腳踝_腳", (255, 800), (10, 790)),
    (15, "右腳踝_腳", (345, 800), (470, 790)),
]


def font(size):
    for f in FONT_FILES:
        if pathlib.Path(f).exists():
            return ImageFont.truetype(f, size)
    return None


def draw_body(d):
    # Head, neck, trunk, arms and legs as simple rounded shapes.
    d.ellipse((255, 50, 345, 140), fill=SKIN, outline=OUTLINE, width=3)
    d.rectangle((282, 135, 318, 165), fill=SKIN, outline=OUTLINE, width=3)
    d.polygon([(215, 170), (385, 170), (365, 420), (235, 420)], fill=SKIN, outline=OUTLINE)
    d.polygon([(235, 410), (365, 410), (375, 520), (225, 520)], fill=SKIN, outline=OUTLINE)
    for side in (-1, 1):
        sx = 300 + side * 85
        d.polygon([(sx, 170), (sx + side * 40, 185), (sx + side * 170 - side * 15, 430),
                   (sx + side * 125 - side * 15, 445), (sx + side * 5, 250)], fill=SKIN, outline=OUTLINE)
        d.ellipse((300 + side * 160 - 22, 430, 300 + side * 160 + 22, 485), fill=SKIN, outline=OUTLINE, width=3)
        lx = 300 + side * 45
        d.polygon([(lx - 38, 510), (lx + 38, 510), (lx + 28, 780), (lx - 28, 780)], fill=SKIN, outline=OUTLINE)
        d.ellipse((lx - 35, 775, lx + 35, 830), fill=SKIN, outline=OUTLINE, width=3)
    d.line((300, 175, 300, 410), fill=(170, 160, 150), width=2)  # the spine


def build(out_dir):
    img = Image.new("RGB", (WIDTH, HEIGHT), "white")
    d = ImageDraw.Draw(img)
    title_font, label_font, number_font = font(30), font(20), font(16)
    if title_font:
        d.text((WIDTH // 2, 15), "人體背面圖 (NMQ 部位)", fill=(30, 30, 30), font=title_font, anchor="mt")
        d.text((20, HEIGHT - 40), "左", fill=(30, 30, 30), font=title_font)
        d.text((WIDTH - 50, HEIGHT - 40), "右", fill=(30, 30, 30), font=title_font)
    draw_body(d)
    for number, name, (x, y), (lx, ly) in REGIONS:
        d.ellipse((x - 14, y - 14, x + 14, y + 14), fill=MARK, outline="white", width=2)
        d.text((x, y), str(number), fill="white", font=number_font, anchor="mm")
        label = "%d %s" % (number, name) if label_font else str(number)
        d.text((lx, ly), label, fill=(20, 20, 90), font=label_font)
    raw = io.BytesIO()
    img.save(raw, "JPEG", quality=90)
    write_if_changed(out_dir / FILE_NAME, raw.getvalue())
