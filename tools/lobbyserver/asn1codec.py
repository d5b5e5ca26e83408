"""BER codec for the lobby and game protocol, standard library only.

Every message is one element: identifier (class 0xA0 with the message number;
0xBF and the number from 31 up), a BER length, then the fields tagged
[0], [1], ... (0x80 | index, or 0xA0 | index for the constructed ones).

Values in the Python API:
  int field, long field      -> int
  text, byte block           -> bytes (the bytes on the wire, no conversion)
  list                       -> list of element values
  nested record              -> list of its field values in field order
  absent field               -> None

Decoding is strict: every length is checked against what remains of the
enclosing element, long length forms must be minimal, lengths above
MAX_LENGTH and nesting deeper than MAX_DEPTH are refused, integers must fit
their field, and a field may not appear twice. Every refusal raises
CodecError.
"""

MAX_LENGTH = 1 << 22      # largest element length accepted (4 MiB)
MAX_DEPTH = 8             # deepest nesting of records and lists


class CodecError(ValueError):
    """Raised for any message that cannot be encoded or decoded."""


# ---------------------------------------------------------------- schema

INT, LONG, STR, BYTES = 'int', 'long', 'str', 'bytes'


class Record:
    """An ordered set of fields: a message body or a nested record."""

    def __init__(self, name, fields):
        self.name = name
        self.fields = fields          # list of Field


class Field:
    def __init__(self, kind, cons=False, max_size=None):
        self.kind = kind              # INT, LONG, STR, BYTES, Record or ListOf
        self.cons = cons              # identifier class 0xA0 instead of 0x80
        self.max_size = max_size      # upper bound of a byte block, if any


class ListOf:
    """A list whose elements carry a universal identifier: 02, 0C or 30."""

    def __init__(self, elem, optional_seq_tag=False):
        self.elem = elem              # INT, STR or Record
        # Lists of game player entries and game result items may leave out
        # the 30 before each element.
        self.optional_seq_tag = optional_seq_tag

    @property
    def elem_tag(self):
        if self.elem == INT:
            return 0x02
        if self.elem == STR:
            return 0x0C
        return 0x30


def _f(letter):
    """Field shorthand: 'i' int, 'l' long, 's' text, 'b' bytes."""
    return Field({'i': INT, 'l': LONG, 's': STR, 'b': BYTES}[letter])


def _rec(name, letters):
    return Record(name, [_f(c) for c in letters])


INT_LIST = ListOf(INT)
STR_LIST = ListOf(STR)

GROUP_LIST_ITEM = _rec('GroupListItem', 'si')
LANGUAGE_INFO = _rec('LanguageInfo', 'sssi')
BUY_ITEM_PLAYER_INFO = _rec('BuyItemPlayerInfo', 'iss')
ACHIEVEMENT_INFO = _rec('AchievementInfo', 'iissss')
SHOP_GROUP_DATA = _rec('ShopGroupData', 'isiiii')
SHOP_ITEM_DATA = _rec('ShopItemData', 'isss' + 'i' * 9 + 'si')
ITEM_DATA = Record('ItemData', [_f('i'), _f('i'), Field(BYTES, max_size=16), _f('i')])
USER_TOURNAMENT_SCORES = Record('UserTournamentScores', [_f('i'), Field(INT_LIST)])
PLAYER_STATS = _rec('PlayerStats', 'i' * 8)
# Player-list item: id, four texts, flags, comment, then the statistics.
PLAYER_LIST_ITEM = Record('PlayerListItem', [_f(c) for c in 'issssis']
                          + [Field(PLAYER_STATS, cons=True)])
DATE_TIME_RECORD = _rec('DateTimeRecord', 'i' * 6)
GAME_PLAYER_ENTRY = Record('GamePlayerEntry',
                           [_f(c) for c in 'isssis'] + [Field(DATE_TIME_RECORD, cons=True), _f('i')])
GAME_RESULT_ITEM = _rec('GameResultItem', 'iiiiss')

ENTRY_LIST = ListOf(GAME_PLAYER_ENTRY, optional_seq_tag=True)
RESULT_LIST = ListOf(GAME_RESULT_ITEM, optional_seq_tag=True)


def _msg(name, *fields):
    return Record(name, [_f(x) if isinstance(x, str) else x for x in fields])


def _list(elem, cons=False):
    return Field(ListOf(elem) if not isinstance(elem, ListOf) else elem, cons=cons)


MESSAGES = {
    0: _msg('ClientHello', 'i', 'i', 'i', 's', 's', 'i', 'i', 's', 's', 'i', 's', 's', 's', 'i', 's', 'i', 'i'),
    2: _msg('ConnectACK', 's', 'i', 's', 'i'),
    3: _msg('Request3', 's', 's', 's', 's', 's', 'i'),
    5: _msg('Login', 's', 's', 'i', 's'),
    6: _msg('LoginReply', 'i', 's', 's', 's', 'i', 's'),
    7: _msg('MatchRequest', 'i', 'i', 'i'),
    8: _msg('MatchResult', Field(ENTRY_LIST), 'i', 'i', 'i'),
    9: _msg('CancelMatchRequest', 'i'),
    10: _msg('GetAchievementList', 'i', 'i', 'i', 'i'),
    11: _msg('AchievementList', 'i', 'i', 'i', _list(ACHIEVEMENT_INFO), 'i'),
    12: _msg('GameJoin', 'l', Field(ENTRY_LIST), 'i', 'i', 's', 'i'),
    13: _msg('GameData', 'b'),
    14: _msg('GetTournamentScores', _list(INT), 'i', 'i'),
    15: _msg('GameResult', 'l', 'i', 'i', _list(INT, cons=True), _list(INT, cons=True), 'i'),
    16: _msg('TournamentScores', _list(STR), _list(USER_TOURNAMENT_SCORES), 'i'),
    17: _msg('KeyValue', 's', 's'),
    18: _msg('GetGamePlayers', 'l'),
    19: _msg('GetPlayerList', 'i', 'i', 'i', 's', 'i', 'i'),
    20: _msg('PlayerList', 'i', 'i', 'i', _list(PLAYER_LIST_ITEM), _list(GROUP_LIST_ITEM)),
    21: _msg('PlayerRelation', 'i', 'i', 'i', 'i', 's', 's'),
    22: _msg('PlayerRelation2', 'i', 'i', 'i', 'i', 's', 's'),
    25: _msg('GetKeyValue', 's'),
    28: _msg('GetLanguageList'),
    29: _msg('AvailableLanguagesList', _list(LANGUAGE_INFO)),
    30: _msg('GetLanguagePack', 's', 's'),
    31: _msg('LanguagePack', 's', 's', 's', 'i', 'b'),
    32: _msg('GetThemePack', 's'),
    33: _msg('ThemePack', 's', 's', 'b'),
    36: _msg('Request36', 'i', 's', 's', 's', 's', 'i'),
    37: _msg('ChangeLanguage', 's'),
    38: _msg('Challenge', 'i', _list(INT, cons=True), 's'),
    39: _msg('ChallengeReceived', 'l', 'i', 's', 's', 'i', 'i'),
    40: _msg('ChallengeAnswer', 'i', 'i', 'i', 'i', 's', 's', 's'),
    44: _msg('Ping', 'i'),
    45: _msg('Notification', 'i', 's', 'i'),
    46: _msg('GameReady', 'i', 'l', 'i', 'i', 'i', 'i', 's'),
    51: _msg('String2Message', 's', 's'),
    52: _msg('ImageAndLink', 's', 'b', 's', 's', 's'),
    57: _msg('GetLoginChallenge', 's'),
    58: _msg('LoginChallenge', 's', 's'),
    59: _msg('Logout'),
    64: _msg('ChatMessage', 'i', 's', 'i'),
    70: _msg('GameOver', 'l', 'i', 'i'),
    71: _msg('ChangeNotice', 'i'),
    72: _msg('GameStatus', 'l', 'i'),
    74: _msg('GetGameResults', 'i', 'i', 'i'),
    75: _msg('GameResults', Field(RESULT_LIST)),
    76: _msg('BlockUser', 'i', 'i'),
    80: _msg('AdvertisementInfo', 's', 's', 'b', 'i', 'i', _list(INT), 's', 'i', 's', 's'),
    82: _msg('Request82', 's', 's'),
    84: _msg('GetImage', 'i', 'i'),
    85: _msg('Picture', 'i', 'i', 'b'),
    87: _msg('ItemDataList', _list(ITEM_DATA, cons=True)),
    88: _msg('GetDataChunk', 'i', 'i', 'i'),
    89: _msg('DataChunk', 'i', 'i', 'b', 'i'),
    90: _msg('GetCoinBalance'),
    91: _msg('CoinBalance', 'i'),
    92: _msg('GetShopGroups', 'i'),
    93: _msg('ShopGroups', 'i', _list(SHOP_GROUP_DATA, cons=True)),
    94: _msg('Request94'),
    96: _msg('GetItemsPage', 'i', 'i', 'i'),
    97: _msg('ShopItems', 'i', 'i', _list(SHOP_ITEM_DATA, cons=True)),
    98: _msg('UpdateItemState', 'i', 'i'),
    99: _msg('GetShopItemImage', _list(INT), 'i'),
    100: _msg('ShopItemImage', 'i', 'i', 'b'),
    101: _msg('Request101', 'i', 'i'),
    102: _msg('BuyItem', 'i', 'i'),
    103: _msg('BuyItemPlayerInfo', 'i', 'i', 's', _list(BUY_ITEM_PLAYER_INFO, cons=True)),
    104: _msg('ConfirmBuyItem', 'i', 'i', _list(INT)),
    105: _msg('ConfirmBuyItemResponse', 'i', 'i', 's'),
    106: _msg('UpdateItemStateResponse', 'i', 'i', 's', 'i'),
    107: _msg('ConfirmUserName', 's'),
    108: _msg('ConfirmUserNameACK', 'i', 's'),
    109: _msg('ConfirmEmail', 's', 's', 's', 'i', 's', 's'),
    110: _msg('ConfirmEmailACK', 'i', 's'),
    111: _msg('ExternalLogin', 'i', 's', 's', 's', 's'),
    112: _msg('AdvertisementClosed'),
    113: _msg('GetPlayerGiftItems', 'i'),
    114: _msg('PlayerGiftItems', 'i', 's', _list(SHOP_ITEM_DATA)),
    115: _msg('ConfirmBuyPlayerItems', 'i', 'i', _list(INT)),
    116: _msg('ConfirmBuyPlayerItemsResponse', 'i', 'i', 's'),
}

MESSAGE_NUMBERS = {record.name: number for number, record in MESSAGES.items()}


# ---------------------------------------------------------------- primitives

def encode_length(length):
    if length < 0 or length > MAX_LENGTH:
        raise CodecError('length %d out of range' % length)
    if length < 0x80:
        return bytes([length])
    body = length.to_bytes((length.bit_length() + 7) // 8, 'big')
    return bytes([0x80 | len(body)]) + body


def decode_length(buf, pos, end):
    """Returns (length, position after the length bytes)."""
    if pos >= end:
        raise CodecError('length missing')
    first = buf[pos]
    pos += 1
    if first < 0x80:
        length = first
    else:
        count = first & 0x7F
        if count == 0:
            raise CodecError('indefinite length form')
        if count > 4:
            raise CodecError('length of %d bytes' % count)
        if end - pos < count:
            raise CodecError('length cut short')
        body = buf[pos:pos + count]
        pos += count
        if body[0] == 0:
            raise CodecError('long length form with a leading zero')
        length = int.from_bytes(body, 'big')
        if length < 0x80:
            raise CodecError('long length form for a short length')
    if length > MAX_LENGTH:
        raise CodecError('length %d above the maximum' % length)
    if length > end - pos:
        raise CodecError('length %d beyond the %d bytes left' % (length, end - pos))
    return length, pos


def encode_identifier(cls, number):
    if number < 0 or number > 0x3FFF:
        raise CodecError('identifier number %d out of range' % number)
    if number < 31:
        return bytes([cls | number])
    if number < 128:
        return bytes([cls | 0x1F, number])
    return bytes([cls | 0x1F, 0x80 | (number >> 7), number & 0x7F])


def decode_identifier(buf, pos, end):
    """Returns (class bits, constructed flag, number, new position)."""
    if pos >= end:
        raise CodecError('identifier missing')
    first = buf[pos]
    pos += 1
    cls, constructed, number = first & 0xC0, bool(first & 0x20), first & 0x1F
    if number == 0x1F:
        number = 0
        for count in range(2):
            if pos >= end:
                raise CodecError('identifier cut short')
            byte = buf[pos]
            pos += 1
            if count == 0 and byte == 0x80:
                raise CodecError('identifier number with a leading zero')
            number = (number << 7) | (byte & 0x7F)
            if byte < 0x80:
                break
        else:
            raise CodecError('identifier number too long')
        if number < 31:
            raise CodecError('long identifier form for a short number')
    return cls, constructed, number, pos


def int_content(value, bits=32):
    """Minimal two's complement bytes of a signed value."""
    if not isinstance(value, int) or isinstance(value, bool):
        raise CodecError('integer expected, got %r' % (value,))
    low, high = -(1 << (bits - 1)), (1 << (bits - 1)) - 1
    if bits == 64:
        low = 0          # 64-bit fields carry only values of zero and above
    if not low <= value <= high:
        raise CodecError('integer %d out of range' % value)
    size = 1
    while not -(1 << (8 * size - 1)) <= value < (1 << (8 * size - 1)):
        size += 1
    return value.to_bytes(size, 'big', signed=True)


def int_from_content(content, bits=32):
    if len(content) == 0:
        return 0
    if bits == 32:
        if len(content) > 4:
            raise CodecError('integer of %d bytes in a 32-bit field' % len(content))
        return int.from_bytes(content, 'big', signed=True)
    if len(content) > 8:
        raise CodecError('integer of %d bytes in a 64-bit field' % len(content))
    return int.from_bytes(content, 'big', signed=False)


# ---------------------------------------------------------------- encoding

def _encode_value(kind, value, field, depth):
    if depth > MAX_DEPTH:
        raise CodecError('nesting too deep')
    if kind == INT or kind == LONG:
        content = int_content(value, 32 if kind == INT else 64)
        return encode_length(len(content)) + content
    if kind == STR or kind == BYTES:
        if not isinstance(value, (bytes, bytearray)):
            raise CodecError('bytes expected, got %r' % (value,))
        if field is not None and field.max_size is not None and len(value) > field.max_size:
            raise CodecError('block of %d bytes above %d' % (len(value), field.max_size))
        return encode_length(len(value)) + bytes(value)
    if isinstance(kind, Record):
        content = _encode_fields(kind, value, depth + 1)
        return encode_length(len(content)) + content
    if isinstance(kind, ListOf):
        if not isinstance(value, (list, tuple)):
            raise CodecError('list expected, got %r' % (value,))
        parts = []
        for element in value:
            parts.append(bytes([kind.elem_tag]))
            parts.append(_encode_value(kind.elem, element, None, depth + 1))
        content = b''.join(parts)
        return encode_length(len(content)) + content
    raise CodecError('unknown field kind')


def _encode_fields(record, values, depth):
    if not isinstance(values, (list, tuple)):
        raise CodecError('%s: field list expected' % record.name)
    if len(values) > len(record.fields):
        raise CodecError('%s: %d fields given, %d known' % (record.name, len(values), len(record.fields)))
    parts = []
    for index, value in enumerate(values):
        if value is None:
            continue
        field = record.fields[index]
        parts.append(encode_identifier(0xA0 if field.cons else 0x80, index))
        parts.append(_encode_value(field.kind, value, field, depth))
    return b''.join(parts)


def encode_message(number, fields=()):
    """Encodes message `number` from its field values (None = absent)."""
    record = MESSAGES.get(number)
    if record is None:
        raise CodecError('unknown message %r' % (number,))
    content = _encode_fields(record, list(fields), 1)
    return encode_identifier(0xA0, number) + encode_length(len(content)) + content


# ---------------------------------------------------------------- decoding

def _decode_value(kind, buf, pos, end, field, depth):
    """Decodes one value after its identifier; returns (value, new position)."""
    if depth > MAX_DEPTH:
        raise CodecError('nesting too deep')
    length, pos = decode_length(buf, pos, end)
    stop = pos + length
    if kind == INT or kind == LONG:
        return int_from_content(bytes(buf[pos:stop]), 32 if kind == INT else 64), stop
    if kind == STR or kind == BYTES:
        if field is not None and field.max_size is not None and length > field.max_size:
            raise CodecError('block of %d bytes above %d' % (length, field.max_size))
        return bytes(buf[pos:stop]), stop
    if isinstance(kind, Record):
        return _decode_fields(kind, buf, pos, stop, depth + 1), stop
    if isinstance(kind, ListOf):
        items = []
        while pos < stop:
            tag = buf[pos]
            if tag == kind.elem_tag:
                pos += 1
            elif not kind.optional_seq_tag:
                raise CodecError('list element identifier %02X, expected %02X' % (tag, kind.elem_tag))
            value, pos = _decode_value(kind.elem, buf, pos, stop, None, depth + 1)
            items.append(value)
        return items, stop
    raise CodecError('unknown field kind')


def _decode_fields(record, buf, pos, end, depth):
    values = [None] * len(record.fields)
    seen = set()
    while pos < end:
        cls, _constructed, number, pos = decode_identifier(buf, pos, end)
        if cls != 0x80:
            raise CodecError('%s: field identifier of class %02X' % (record.name, cls))
        if number >= len(record.fields):
            raise CodecError('%s: no field [%d]' % (record.name, number))
        if number in seen:
            raise CodecError('%s: field [%d] repeated' % (record.name, number))
        seen.add(number)
        field = record.fields[number]
        values[number], pos = _decode_value(field.kind, buf, pos, end, field, depth)
    return values


def frame_size(buf, limit=MAX_LENGTH):
    """Total size of the message at the start of buf, or None while its
    identifier and length are incomplete. Malformed headers and messages
    longer than `limit` raise CodecError."""
    end = len(buf)
    if end < 1:
        return None
    first = buf[0]
    if first & 0xE0 != 0xA0:
        raise CodecError('message identifier %02X is not context-specific constructed' % first)
    pos = 1
    if first & 0x1F == 0x1F:
        if end < 2:
            return None
        number = buf[1]
        if number >= 0x80 or number < 31:
            raise CodecError('message number form %02X %02X refused' % (first, number))
        pos = 2
    if end <= pos:
        return None
    if buf[pos] >= 0x80:
        count = buf[pos] & 0x7F
        if 1 <= count <= 4 and end < pos + 1 + count:
            return None
    length, start = _peek_length(buf, pos)
    if length > limit:
        raise CodecError('message of %d bytes above the limit of %d' % (length, limit))
    return start + length


def _peek_length(buf, pos):
    first = buf[pos]
    if first < 0x80:
        return first, pos + 1
    count = first & 0x7F
    if count == 0:
        raise CodecError('indefinite length form')
    if count > 4:
        raise CodecError('length of %d bytes' % count)
    body = bytes(buf[pos + 1:pos + 1 + count])
    if body[0] == 0:
        raise CodecError('long length form with a leading zero')
    length = int.from_bytes(body, 'big')
    if length < 0x80:
        raise CodecError('long length form for a short length')
    if length > MAX_LENGTH:
        raise CodecError('length %d above the maximum' % length)
    return length, pos + 1 + count


def message_number(buf):
    """The message number of a complete message (identifier checked)."""
    cls, constructed, number, _pos = decode_identifier(buf, 0, len(buf))
    if cls != 0x80 or not constructed:
        raise CodecError('message identifier %02X is not context-specific constructed' % buf[0])
    return number


def decode_message(buf):
    """Decodes one complete message; returns (number, field values).
    The buffer must hold exactly one message."""
    buf = bytes(buf)
    number = message_number(buf)
    record = MESSAGES.get(number)
    if record is None:
        raise CodecError('unknown message %d' % number)
    _cls, _constructed, _number, pos = decode_identifier(buf, 0, len(buf))
    length, pos = decode_length(buf, pos, len(buf))
    if pos + length != len(buf):
        raise CodecError('%d bytes after the message' % (len(buf) - pos - length))
    return number, _decode_fields(record, buf, pos, pos + length, 1)


# ---------------------------------------------------------------- text

def encode_text(text):
    """UTF-8 of the 16-bit units of a text, as the client writes strings:
    characters beyond the first plane become two three-byte forms."""
    units = text.encode('utf-16-le')
    out = bytearray()
    for i in range(0, len(units), 2):
        u = units[i] | (units[i + 1] << 8)
        if u < 0x80:
            out.append(u)
        elif u < 0x800:
            out += bytes([0xC0 | (u >> 6), 0x80 | (u & 0x3F)])
        else:
            out += bytes([0xE0 | (u >> 12), 0x80 | ((u >> 6) & 0x3F), 0x80 | (u & 0x3F)])
    return bytes(out)


def pack_latin1(text):
    """The packing of texts in hand-coded messages: a unit below 0x80 is one
    byte, any other unit the two-byte UTF-8 form of its low 8 bits."""
    units = text.encode('utf-16-le', 'surrogatepass')
    out = bytearray()
    for i in range(0, len(units), 2):
        u = units[i] | (units[i + 1] << 8)
        if u < 0x80:
            out.append(u)
        else:
            out += bytes([0xC0 | ((u >> 6) & 3), 0x80 | (u & 0x3F)])
    return bytes(out)


def decode_text(data):
    """Text from the bytes of a received string (bad forms replaced)."""
    return bytes(data).decode('utf-8', errors='replace')


def format_date_time_text(year, month, day, hour, minute, second):
    """The date-time text of game player entries and result items."""
    return '%d.%d.%d %d:%02d:%02d' % (day, month, year, hour, minute, second)


# Wire order of the eight statistics of a player-list item: the fifth and
# sixth integers on the wire are swapped relative to the record.
def stats_to_wire(s0, rank, score, wins, ties, losses, followers_a, followers_b):
    return [s0, rank, score, wins, losses, ties, followers_a, followers_b]


def stats_from_wire(wire):
    s0, rank, score, wins, losses, ties, fa, fb = wire
    return [s0, rank, score, wins, ties, losses, fa, fb]
