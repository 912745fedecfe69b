#!/usr/bin/env python3
"""Writes the demo card profiles: a GSM SIM, a USIM, a CDMA R-UIM and a PHS
card, each with a lived-in phone book, last-dialled list and SMS book.

    python3 sim/profiles/make_demo_profiles.py [OUTDIR]

Records are encoded here from the contact and message lists below (ADN as in
GSM 11.11 10.5.1, SMS records as status + service centre + TPDU of TS 23.040,
R-UIM SMS records as status + length + SMS transport message of C.S0015),
so the profiles can be regenerated after editing the lists. Every text must be
representable in its chosen form; the script stops with the offending entry
otherwise.
"""

import json
import os
import random
import sys

# GSM 7-bit default alphabet (basic table), code -> character.
GSM_BASIC = (
    "@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞ\x1bÆæßÉ"
    " !\"#¤%&'()*+,-./0123456789:;<=>?"
    "¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§"
    "¿abcdefghijklmnopqrstuvwxyzäöñüà"
)
GSM_CODE = {ch: code for code, ch in enumerate(GSM_BASIC) if ch != "\x1b"}


def gsm_septets(text):
    try:
        return [GSM_CODE[ch] for ch in text]
    except KeyError as e:
        raise ValueError(f"{text!r}: {e} is not in the GSM default alphabet") from None


def pack_septets(septets):
    out, acc, bits = [], 0, 0
    for s in septets:
        acc |= s << bits
        bits += 7
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 0xFF)
    return out


def bcd_digits(digits):
    values = {"*": 0xA, "#": 0xB}
    nibbles = [values[d] if d in values else int(d) for d in digits]
    if len(nibbles) % 2:
        nibbles.append(0xF)
    return [nibbles[i] | (nibbles[i + 1] << 4) for i in range(0, len(nibbles), 2)]


def split_number(number):
    """'+49 30 1234' -> (0x91, '49301234'); national and service numbers 0x81."""
    compact = number.replace(" ", "").replace("-", "")
    if compact.startswith("+"):
        return 0x91, compact[1:]
    return 0x81, compact


def alpha_field(name, width):
    """The alpha identifier: GSM 7-bit if it fits the alphabet, else the UCS2
    form 81 (one byte per character over a half-page base) when all non-GSM
    characters share a half page, else form 80 (UTF-16BE)."""
    try:
        data = gsm_septets(name)
    except ValueError:
        data = None
        outside = [ord(c) for c in name if c not in GSM_CODE]
        pages = {c >> 7 for c in outside}
        if len(pages) == 1 and all(c < 0x8000 for c in outside):
            page = pages.pop()
            data = [0x81, len(name), page]
            for c in name:
                data.append(GSM_CODE[c] if c in GSM_CODE else 0x80 | (ord(c) & 0x7F))
        if data is None or len(data) > width:
            data = [0x80]
            for c in name:
                data += [ord(c) >> 8, ord(c) & 0xFF]
    if len(data) > width:
        raise ValueError(f"name {name!r} needs {len(data)} bytes, the record has {width}")
    return data + [0xFF] * (width - len(data))


def adn_record(name, number, length):
    ton, digits = split_number(number)
    if len(digits) > 20:
        raise ValueError(f"number {number!r} has more than 20 digits")
    bcd = bcd_digits(digits)
    tail = [len(bcd) + 1, ton] + bcd + [0xFF] * (10 - len(bcd)) + [0xFF, 0xFF]
    return alpha_field(name, length - 14) + tail


def address(number):
    ton, digits = split_number(number)
    return [len(digits), ton] + bcd_digits(digits)


def timestamp(text):
    """'2026-11-28 09:14:03 +1' -> seven semi-octets (TS 23.040 9.2.3.11)."""
    date, time, zone = text.split(" ")
    y, mo, d = date.split("-")
    h, mi, s = time.split(":")
    quarters = int(float(zone) * 4)
    fields = [int(y) % 100, int(mo), int(d), int(h), int(mi), int(s), abs(quarters)]
    out = [((v % 10) << 4) | (v // 10) for v in fields]
    if quarters < 0:
        out[-1] |= 0x08
    return out


def user_data(text):
    """(data coding scheme, user-data length, user data): 7-bit when the text
    fits the GSM alphabet, else UCS2."""
    if all(c in GSM_CODE for c in text):
        if len(text) > 160:
            raise ValueError(f"{text!r} is longer than 160 characters")
        septets = gsm_septets(text)
        return 0x00, len(septets), pack_septets(septets)
    if len(text) > 70 or any(ord(c) > 0xFFFF for c in text):
        raise ValueError(f"{text!r} does not fit 70 UCS2 characters")
    data = []
    for c in text:
        data += [ord(c) >> 8, ord(c) & 0xFF]
    return 0x08, len(data), data


SMSC = [0x07, 0x91] + bcd_digits("491770610000")

STATUS = {"read": 0x01, "unread": 0x03, "sent": 0x05}


def sms_record(message, reference, smsc=SMSC):
    status = STATUS[message["box"]]
    dcs, udl, ud = user_data(message["text"])
    if status == 0x05:
        # SMS-SUBMIT with a relative validity period (one day).
        tpdu = [0x11, reference] + address(message["to"]) + [0x00, dcs, 0xA7, udl] + ud
        record = [status, 0x00] + tpdu
    else:
        tpdu = [0x04] + address(message["from"]) + [0x00, dcs]
        tpdu += timestamp(message["at"]) + [udl] + ud
        record = [status] + smsc + tpdu
    if len(record) > 176:
        raise ValueError(f"message {message['text'][:20]!r} does not fit a record")
    return record + [0xFF] * (176 - len(record))


class BitWriter:
    """Fields of a CDMA SMS parameter, most significant bit first."""

    def __init__(self):
        self.bits = []

    def put(self, value, width):
        self.bits += [(value >> (width - 1 - i)) & 1 for i in range(width)]

    def octets(self):
        padded = self.bits + [0] * (-len(self.bits) % 8)
        return [int("".join(map(str, padded[i:i + 8])), 2) for i in range(0, len(padded), 8)]


def cdma_parameter(identifier, writer):
    data = writer.octets()
    return [identifier, len(data)] + data


def dtmf_address(digits):
    """DTMF digit mode, not a data-network number; '0' is code 10."""
    codes = {"0": 10, "*": 11, "#": 12}
    w = BitWriter()
    w.put(0, 1)
    w.put(0, 1)
    w.put(len(digits), 8)
    for d in digits:
        w.put(codes.get(d, 0) or int(d), 4)
    return w


def cdma_user_data(text):
    """7-bit ASCII when it fits, else ISO 8859-1 octets, else 16-bit units."""
    w = BitWriter()
    if all(ord(c) < 0x80 for c in text):
        encoding, width = 2, 7
    elif all(ord(c) < 0x100 for c in text):
        encoding, width = 8, 8
    else:
        encoding, width = 4, 16
    limit = 80 if width == 16 else 160
    if len(text) > limit or any(ord(c) > 0xFFFF for c in text):
        raise ValueError(f"{text!r} does not fit {limit} characters")
    w.put(encoding, 5)
    w.put(len(text), 8)
    for c in text:
        w.put(ord(c), width)
    return w


CDMA_STATUS = {"read": 0x01, "unread": 0x03, "sent": 0x05}


def cdma_sms_record(message, identifier):
    """A point-to-point message: teleservice 4098 (text), the address, and
    bearer data with message identifier, user data and, when received, the
    time stamp and a callback number."""
    received = message["box"] != "sent"
    body = cdma_parameter(0x00, _fixed(0x1002, 16))
    body += cdma_parameter(0x02 if received else 0x04,
                           dtmf_address(message["from"] if received else message["to"]))
    ident = BitWriter()
    ident.put(1 if received else 2, 4)  # deliver / submit
    ident.put(identifier, 16)
    ident.put(0, 1)
    ident.put(0, 3)
    bearer = cdma_parameter(0x00, ident) + cdma_parameter(0x01, cdma_user_data(message["text"]))
    if received:
        date, time = message["at"].split(" ")
        fields = [int(v) for v in date.split("-") + time.split(":")]
        fields[0] %= 100
        bearer += [0x03, 6] + [((v // 10) << 4) | (v % 10) for v in fields]
        if "callback" in message:
            w = BitWriter()
            w.put(0, 1)
            w.put(len(message["callback"]), 8)
            for d in message["callback"]:
                w.put({"0": 10}.get(d, 0) or int(d), 4)
            bearer += cdma_parameter(0x0E, w)
    body += [0x08, len(bearer)] + bearer
    message_bytes = [0x00] + body
    if len(message_bytes) > 253:
        raise ValueError(f"message {message['text'][:20]!r} does not fit a record")
    record = [CDMA_STATUS[message["box"]], len(message_bytes)] + message_bytes
    return record + [0x00] * (255 - len(record))


def _fixed(value, width):
    w = BitWriter()
    w.put(value, width)
    return w


def imsi_bytes(imsi):
    nibbles = [int(d) for d in imsi]
    first = (nibbles[0] << 4) | (0x9 if len(nibbles) % 2 else 0x1)
    rest = bcd_digits(imsi[1:])
    return [len(rest) + 1, first] + rest


def hexs(data):
    return " ".join(f"{b:02X}" for b in data)


CONTACTS = [
    ("Mum", "+49 171 2345678"),
    ("Dad", "+49 160 98765432"),
    ("Alice Johnson", "+44 7700 900123"),
    ("Bob Smith", "+44 20 7946 0018"),
    ("Charlotte Reed", "+1 212 555 0147"),
    ("David Miller", "+1 415 555 0199"),
    ("Emma Wilson", "+61 2 9876 5432"),
    ("George Harris", "07700 900456"),
    ("Hannah Clarke", "+44 7700 900789"),
    ("Jack Thompson", "+353 87 123 4567"),
    ("Lucy Evans", "+44 161 496 0321"),
    ("Oliver Brown", "+44 7700 900234"),
    ("Sophie Turner", "+1 646 555 0112"),
    ("Tom Walker", "+44 7700 900567"),
    ("Office", "+49 30 20123456"),
    ("Dentist", "030 8812345"),
    ("Taxi", "030 202020"),
    ("Pizza Roma", "030 4455667"),
    ("Voicemail", "+49 171 3300"),
    ("Balance", "*100#"),
    ("Jürgen Müller", "+49 89 1234567"),
    ("Günther Weiß", "+49 40 3456789"),
    ("Bärbel Köhler", "0221 9876543"),
    ("Jörg Fischer", "+49 172 4455667"),
    ("Käthe Braun", "0711 223344"),
    ("Uwe Schäfer", "+49 151 23456789"),
    ("Sören Hoß", "+49 176 11223344"),
    ("Änne Vogel", "0341 5566778"),
    ("Dr. Özdemir", "+49 69 87654321"),
    ("Oma Lüdtke", "0385 778899"),
    ("Hélène Dupont", "+33 6 12 34 56 78"),
    ("Chloé Martin", "+33 1 42 68 53 00"),
    ("Amélie Roux", "+33 6 98 76 54 32"),
    ("Françoise", "+33 4 91 23 45 67"),
    ("Jérôme B.", "+33 7 11 22 33 44"),
    ("Noël Roux", "+33 5 56 78 90 12"),
    ("Gaëlle", "+32 470 12 34 56"),
    ("Zoë Lefèvre", "+33 6 55 44 33 22"),
    ("Renée Girard", "+41 79 123 45 67"),
    ("Maître Roy", "+33 1 45 67 89 01"),
    ("Ömer Yılmaz", "+90 532 123 4567"),
    ("José García", "+34 612 345 678"),
    ("Iñigo Sáez", "+34 699 876 543"),
    ("Åsa Lindström", "+46 70 123 45 67"),
    ("Søren Ågård", "+45 20 12 34 56"),
    ("Paweł Nowak", "+48 601 234 567"),
    ("Иван Петров", "+7 912 345 67 89"),
    ("Ольга", "+7 495 123 45 67"),
    ("Наташа", "+7 921 765 43 21"),
    ("山田太郎", "+81 90 1234 5678"),
    ("田中花子", "+81 3 1234 5678"),
    ("佐藤さん", "090 8765 4321"),
    ("王伟", "+86 138 0013 8000"),
    ("李娜", "+86 10 6552 9988"),
    ("张小明", "+86 139 1234 5678"),
    ("Yuki", "+81 80 2468 1357"),
    ("Marco Rossi", "+39 347 123 4567"),
    ("Giulia Bianchi", "+39 06 1234 5678"),
    ("Piet de Vries", "+31 6 12345678"),
    ("Car repair", "+49 30 1111 2222"),
]

LAST_DIALLED = [
    ("Mum", "+49 171 2345678"),
    ("", "+49 30 98765432"),
    ("Pizza Roma", "030 4455667"),
    ("Hélène Dupont", "+33 6 12 34 56 78"),
    ("", "0800 1234567"),
    ("山田太郎", "+81 90 1234 5678"),
]

MESSAGES = [
    {"box": "read", "from": "+49 171 2345678", "at": "2026-11-28 09:14:03 +1",
     "text": "Don't forget: dinner at ours on Sunday, 7 pm. Bring the photos!"},
    {"box": "read", "from": "+44 7700 900123", "at": "2026-11-29 18:02:44 +0",
     "text": "Landed safely in Berlin. Taxi now, see you at the hotel."},
    {"box": "unread", "from": "+49 89 1234567", "at": "2026-12-02 07:45:10 +1",
     "text": "Guten Morgen! Können wir das Treffen auf Donnerstag verschieben? Grüße, Jürgen"},
    {"box": "read", "from": "+33 6 12 34 56 78", "at": "2026-11-20 21:30:00 +1",
     "text": "Merci pour la soirée! À très bientôt, Hélène"},
    {"box": "sent", "to": "+49 171 2345678",
     "text": "Yes, we'll be there at 7. Love you!"},
    {"box": "unread", "from": "+81 90 1234 5678", "at": "2026-12-03 12:00:00 +9",
     "text": "明日の会議は十時からです。よろしくお願いします。"},
    {"box": "read", "from": "+7 912 345 67 89", "at": "2026-11-15 16:20:31 +3",
     "text": "Привет! Как дела? Позвони, когда будет время."},
    {"box": "sent", "to": "+44 7700 900123",
     "text": "Great, I'm at the bar downstairs. Blue jacket."},
    {"box": "read", "from": "+49 30 20123456", "at": "2026-11-25 11:11:11 +1",
     "text": "Reminder: the quarterly report is due on Friday at noon."},
    {"box": "unread", "from": "+86 138 0013 8000", "at": "2026-12-04 08:30:00 +8",
     "text": "你好！下周见。"},
    {"box": "sent", "to": "+33 6 12 34 56 78",
     "text": "C'était super, merci à toi!"},
    {"box": "read", "from": "+49 151 23456789", "at": "2026-11-30 19:45:00 +1",
     "text": "Schlüssel liegt unter der Fußmatte. Bis später!"},
    {"box": "unread", "from": "+44 20 7946 0018", "at": "2026-12-05 10:05:00 +0",
     "text": "Your parcel will be delivered tomorrow between 10:00 and 12:00."},
    {"box": "sent", "to": "+49 89 1234567",
     "text": "Donnerstag passt mir gut. Bis dann!"},
    {"box": "read", "from": "+34 612 345 678", "at": "2026-11-10 13:37:00 +1",
     "text": "¡Hola! ¿Quedamos mañana para el café?"},
    {"box": "sent", "to": "+81 90 1234 5678",
     "text": "了解しました。ありがとうございます。"},
]


# An R-UIM (CDMA network, mainland China and the US): DTMF addresses, no '+'.
RUIM_CONTACTS = [
    ("Mum", "+86 133 0101 2345"),
    ("Dad", "+86 189 1020 3040"),
    ("王伟", "+86 138 0013 8000"),
    ("李娜", "+86 10 6552 9988"),
    ("张小明", "+86 139 1234 5678"),
    ("刘洋", "+86 153 2233 4455"),
    ("陈静", "021 6234 5678"),
    ("杨帆", "+86 177 8899 0011"),
    ("赵敏", "0755 8321 4567"),
    ("黄磊", "+86 180 5566 7788"),
    ("周杰", "+86 133 9988 7766"),
    ("吴芳", "020 3876 5432"),
    ("孙丽", "+86 189 6655 4433"),
    ("林先生", "+86 153 1111 2222"),
    ("公司前台", "010 8765 4321"),
    ("快递", "95338"),
    ("Kevin Zhang", "+86 138 1357 2468"),
    ("Lily Chen", "+86 189 2468 1357"),
    ("Emily Carter", "+1 415 555 0142"),
    ("Michael Davis", "+1 212 555 0188"),
    ("Sarah Nguyen", "+1 408 555 0123"),
    ("Daniel Kim", "+82 10 2345 6789"),
    ("Jessica Lee", "+1 650 555 0175"),
    ("Office Beijing", "+86 10 5811 2233"),
    ("Hotel Shanghai", "+86 21 6321 8888"),
    ("Taxi", "96106"),
    ("Voicemail", "*86"),
    ("Balance", "10001"),
    ("Customer care", "10000"),
    ("Doctor Wang", "+86 10 8231 5678"),
    ("Bank", "95588"),
    ("Airport", "+86 10 6457 8899"),
]

RUIM_LAST_DIALLED = [
    ("Mum", "13301012345"),
    ("", "01065529988"),
    ("王伟", "13800138000"),
    ("Customer care", "10000"),
    ("", "14155550142"),
]

RUIM_MESSAGES = [
    {"box": "read", "from": "13301012345", "at": "2026-11-27 19:03:11",
     "text": "周末回家吃饭吗？妈妈做了你爱吃的饺子。"},
    {"box": "sent", "to": "13301012345", "text": "回！周六中午到。"},
    {"box": "read", "from": "10000", "at": "2026-12-01 08:00:00",
     "text": "Your balance is 58.20 CNY. Top up at any service outlet or dial 10000."},
    {"box": "unread", "from": "13800138000", "at": "2026-12-04 21:45:30",
     "text": "明天上午十点开会，别忘了带资料。", "callback": "13800138000"},
    {"box": "read", "from": "4155550142", "at": "2026-11-22 07:12:45",
     "text": "Flight lands at 6:40 pm. Can you pick me up at Terminal 2?"},
    {"box": "sent", "to": "4155550142", "text": "Sure, see you at arrivals. Text me when you land."},
    {"box": "unread", "from": "95338", "at": "2026-12-05 14:20:00",
     "text": "Your parcel PK1234567890 is out for delivery today."},
    {"box": "read", "from": "13912345678", "at": "2026-11-30 12:30:05",
     "text": "好的，谢谢！"},
    {"box": "read", "from": "2125550188", "at": "2026-11-18 16:05:00",
     "text": "Meeting moved to Thursday 3 pm, same room. - Michael", "callback": "2125550188"},
    {"box": "sent", "to": "13912345678", "text": "收到，周四见。"},
    {"box": "unread", "from": "16505550175", "at": "2026-12-06 09:15:42",
     "text": "Café at 10? I found a nice place near the office - Jessica"},
]

# A PHS card (Japan): its own SMS file under DF_PHS; phone book and
# last-dialled list in DF_TELECOM as on any SIM.
PHS_CONTACTS = [
    ("母", "070 5012 3456"),
    ("父", "090 1234 0001"),
    ("山田太郎", "070 6123 4567"),
    ("田中花子", "03 3456 7890"),
    ("佐藤さん", "080 8765 4321"),
    ("鈴木一郎", "070 5432 1098"),
    ("高橋", "06 6345 1122"),
    ("伊藤美咲", "070 6655 4433"),
    ("渡辺", "045 123 4567"),
    ("中村先生", "03 5678 1234"),
    ("小林", "070 5111 2233"),
    ("加藤", "090 3344 5566"),
    ("会社", "03 3210 5555"),
    ("病院", "03 3812 1111"),
    ("Yuki", "070 5246 1357"),
    ("Ken", "070 6987 6543"),
    ("Taxi", "03 3333 0000"),
    ("Pizza", "0120 123 456"),
    ("Tom Walker", "+44 7700 900567"),
    ("Voicemail", "1417"),
]

PHS_LAST_DIALLED = [
    ("母", "07050123456"),
    ("", "0332105555"),
    ("山田太郎", "07061234567"),
    ("", "0120123456"),
]

PHS_MESSAGES = [
    {"box": "read", "from": "07050123456", "at": "2026-11-29 18:10:00 +9",
     "text": "今夜は早く帰ってきてね。"},
    {"box": "unread", "from": "07061234567", "at": "2026-12-03 12:00:00 +9",
     "text": "明日の会議は十時からです。"},
    {"box": "sent", "to": "07061234567", "text": "了解です。"},
    {"box": "read", "from": "07052461357", "at": "2026-11-21 22:30:15 +9",
     "text": "See you at Shibuya station, 7pm!"},
    {"box": "sent", "to": "07052461357", "text": "OK, see you there."},
    {"box": "unread", "from": "0332105555", "at": "2026-12-05 09:05:00 +9",
     "text": "本日の打ち合わせは15時に変更になりました。"},
]


def place(count, capacity, rng):
    """`count` distinct record numbers (1-based) out of `capacity`, front-heavy
    and with gaps, as a book that has seen deletions looks."""
    slots = sorted(rng.sample(range(1, capacity // 2 + 1), count * 3 // 4))
    slots += sorted(rng.sample(range(capacity // 2 + 1, capacity + 1), count - len(slots)))
    return slots


def shuffled(items, rng):
    """The family first, as the owner stored them; everyone else in the order
    they were met."""
    rest = list(items[2:])
    rng.shuffle(rest)
    return list(items[:2]) + rest


def linear_records(by_slot, blank):
    last = max(by_slot)
    return [hexs(by_slot.get(i, blank)) for i in range(1, last + 1)]


def ef(file_id, name, **fields):
    entry = {"id": file_id, "type": "EF", "name": name}
    entry.update(fields)
    return entry


def df(file_id, name, children):
    return {"id": file_id, "type": "DF", "name": name, "children": children}


def card(name, command_set, atr, children, pin_enabled=False):
    return {
        "name": name,
        "commandSet": command_set,
        "atr": atr,
        "chv1": {"enabled": pin_enabled, "pin": "1234", "retries": 3,
                 "puk": "12345678", "unblockRetries": 10},
        "mf": {"id": "3F00", "type": "MF", "name": "MF", "children": children},
    }


# Access rules every UICC profile shares, in the records the virtual card
# points its files at: READ and UPDATE always, READ and UPDATE after PIN1
# (key reference 01), and directories (administrative key 0A only).
ARR_RULES = [
    "80 01 03 90 00 80 01 18 A4 06 83 01 0A 95 01 08",
    "80 01 03 A4 06 83 01 01 95 01 08 80 01 18 A4 06 83 01 0A 95 01 08",
    "80 01 7F A4 06 83 01 0A 95 01 08",
]

# A T=0 ATR: TD1 offers T=0, TD2 the global bytes (T=15) with TA3, which
# require the check byte at the end.
UICC_T0_ATR = "3B 80 80 1F C7 D8"


def arr_ef(file_id):
    return ef(file_id, "EF_ARR", structure="linear", recordLength=32,
              recordCount=len(ARR_RULES), records=ARR_RULES)


def iccid_ef(digits):
    return ef("2FE2", "EF_ICCID", structure="transparent", content=hexs(bcd_digits(digits)))


def adn_by_slot(slots, contacts, length):
    return {s: adn_record(n, num, length) for s, (n, num) in zip(slots, contacts)}


def placed_book(contacts, capacity, length, rng):
    """The contacts of a single-file phone book, by record number."""
    slots = place(len(contacts), capacity, rng)
    return adn_by_slot(slots, shuffled(contacts, rng), length)


def placed_messages(messages, capacity, rng, record):
    """record(message, index in the list) encodes one message."""
    slots = place(len(messages), capacity, rng)
    return {s: record(m, i) for i, (s, m) in enumerate(zip(slots, messages))}


def adn_ef(file_id, by_slot, length, count):
    return ef(file_id, "EF_ADN", structure="linear", recordLength=length, recordCount=count,
              records=linear_records(by_slot, [0xFF] * length))


def lnd_ef(entries):
    return ef("6F44", "EF_LND", structure="cyclic", recordLength=28, recordCount=10,
              records=[hexs(adn_record(n, num, 28)) for n, num in entries])


def sms_ef(by_slot, length, count):
    """Every record of the file is written: a free one is status 00 and FF padding."""
    free = [0x00] + [0xFF] * (length - 1)
    return ef("6F3C", "EF_SMS", structure="linear", recordLength=length, recordCount=count,
              records=[hexs(by_slot.get(i, free)) for i in range(1, count + 1)])


def gsm_profile(pin_enabled):
    rng = random.Random(2026)
    adn = placed_book(CONTACTS, 250, 28, rng)
    sms = placed_messages(MESSAGES, 30, rng, lambda m, i: sms_record(m, i + 1))
    return card("Demo GSM SIM" + (" (PIN 1234)" if pin_enabled else ""), "gsm", "3B 02 14 50", [
        iccid_ef("8949022017300012345"),
        df("7F10", "DF_TELECOM", [
            adn_ef("6F3A", adn, 28, 250),
            lnd_ef(LAST_DIALLED),
            sms_ef(sms, 176, 30),
        ]),
        df("7F20", "DF_GSM", [
            ef("6F07", "EF_IMSI", structure="transparent",
               content=hexs(imsi_bytes("262011234567890"))),
        ]),
    ], pin_enabled=pin_enabled)


def usim_profile():
    """A USIM whose application phone book has two ADN files of 250 and 100
    records, listed in one EF_PBR record each."""
    rng = random.Random(3026)
    length = 30
    contacts = shuffled(CONTACTS, rng)
    first, second = contacts[:45], contacts[45:]
    slots1 = place(len(first), 250, rng)
    slots2 = place(len(second), 100, rng)
    adn1 = adn_by_slot(slots1, first, length)
    adn2 = adn_by_slot(slots2, second, length)
    sms = placed_messages(MESSAGES, 30, rng, lambda m, i: sms_record(m, i + 1))
    aid = "A0 00 00 00 87 10 02 FF FF FF FF 89 06 19 00 00"
    pbr = ["A8 04 C0 02 4F 3A", "A8 04 C0 02 4F 3B"]
    return card("Demo USIM", "uicc", UICC_T0_ATR, [
        ef("2F00", "EF_DIR", structure="linear", recordLength=32, recordCount=2,
           records=["61 18 4F 10 " + aid + " 50 04 55 53 49 4D"]),
        iccid_ef("8949022017300054321"),
        arr_ef("2F06"),
        # No global phone book: the USIM application keeps its own.
        df("7F10", "DF_TELECOM", []),
        {"type": "ADF", "name": "ADF_USIM", "aid": aid, "children": [
            arr_ef("6F06"),
            ef("6F07", "EF_IMSI", structure="transparent",
               content=hexs(imsi_bytes("262019876543210"))),
            sms_ef(sms, 176, 30),
            df("5F3A", "DF_PHONEBOOK", [
                ef("4F30", "EF_PBR", structure="linear", recordLength=20,
                   recordCount=2, records=pbr),
                adn_ef("4F3A", adn1, length, 250),
                adn_ef("4F3B", adn2, length, 100),
            ]),
        ]},
    ])


def ruim_profile():
    """A CDMA R-UIM: phone book and last-dialled list in DF_TELECOM, SMS in
    DF_CDMA as 255-byte records."""
    rng = random.Random(4026)
    adn = placed_book(RUIM_CONTACTS, 200, 28, rng)
    sms = placed_messages(RUIM_MESSAGES, 20, rng, lambda m, i: cdma_sms_record(m, 0x2000 + i))
    return card("Demo CDMA R-UIM", "gsm", "3B 02 14 51", [
        iccid_ef("8986031234567890123"),
        df("7F10", "DF_TELECOM", [adn_ef("6F3A", adn, 28, 200), lnd_ef(RUIM_LAST_DIALLED)]),
        df("7F25", "DF_CDMA", [sms_ef(sms, 255, 20)]),
    ])


def phs_profile():
    rng = random.Random(5026)
    adn = placed_book(PHS_CONTACTS, 100, 28, rng)
    # PHS messages carry no service-centre address.
    sms = placed_messages(PHS_MESSAGES, 20, rng, lambda m, i: sms_record(m, i + 1, smsc=[0x00]))
    return card("Demo PHS card", "gsm", "3B 02 14 52", [
        iccid_ef("8981100012345678901"),
        df("7F10", "DF_TELECOM", [adn_ef("6F3A", adn, 28, 100), lnd_ef(PHS_LAST_DIALLED)]),
        df("7FD0", "DF_PHS", [sms_ef(sms, 176, 20)]),
    ])


def write(path, profile):
    with open(path, "w", encoding="utf-8") as out:
        json.dump(profile, out, ensure_ascii=False, indent=1)
        out.write("\n")


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write(os.path.join(outdir, "demo_gsm_sim.json"), gsm_profile(False))
    write(os.path.join(outdir, "demo_gsm_sim_pin.json"), gsm_profile(True))
    write(os.path.join(outdir, "demo_usim.json"), usim_profile())
    write(os.path.join(outdir, "demo_ruim.json"), ruim_profile())
    write(os.path.join(outdir, "demo_phs.json"), phs_profile())


if __name__ == "__main__":
    main()
