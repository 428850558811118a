#!/usr/bin/env python3
"""Writes novel-ru.html: 460,000 characters of Russian-looking prose in 1,287
paragraphs (made-up words from Cyrillic syllables, fixed seed). novel-ru.doc
is LibreOffice's Word 97 save of it:
    soffice --headless --convert-to 'doc:MS Word 97' novel-ru.html"""
import random

random.seed(1251)
syll = ("ка ло ми на ре то ва ли ст пр ов ен ни ти по ра ко не да ла ль го во ны ше жи чу щи "
        "эт юр ям зд вс бр гл др кр мн сл тв хр").split()
words = ["".join(random.choice(syll) for _ in range(random.randint(1, 4))) for _ in range(3000)]
paras, total = [], 0
while total < 460000:
    sents = []
    for _ in range(random.randint(2, 8)):
        ws = [random.choice(words) for _ in range(random.randint(5, 18))]
        ws[0] = ws[0].capitalize()
        sent = " ".join(ws)
        if random.random() < 0.2:
            sent = sent.replace(" ", ", ", 1)
        sents.append(sent + random.choice([".", ".", ".", "!", "?", "…"]))
    p = " ".join(sents)
    paras.append(p)
    total += len(p) + 1
body = "".join(f"<p>{p}</p>" for p in paras)
with open("novel-ru.html", "w", encoding="utf-8") as f:
    f.write('<html><head><meta charset="utf-8"><title>Роман</title></head>'
            f'<body lang="ru-RU">{body}</body></html>')
