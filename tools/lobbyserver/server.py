#!/usr/bin/env python3
"""Lobby and game server for local play and tests (standard library only).

One TCP port serves both channels: a connection whose first message is the
client hello (0) is a lobby channel, one whose first message is game-ready
(46) is a game channel. Accounts, follows, items and coins live in SQLite.

    python3 server.py --port 5000 --db lobby.db [--host 127.0.0.1]
"""

import argparse
import asyncio
import hashlib
import itertools
import logging
import os
import re
import secrets
import signal
import struct
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import asn1codec as codec  # noqa: E402
from store import CLIENT_HASH_RE, EMAIL_RE, NAME_RE, narrow, open_store  # noqa: E402

log = logging.getLogger('lobbyserver')

MAX_GAME_DATA = 65536            # the largest batch of game events a client relays
MAX_MESSAGE = MAX_GAME_DATA + 64  # largest message content a client may send
MAX_OUTPUT = 8 * 1024 * 1024     # bytes queued to one client before it is dropped
MAX_PACK = 4 * 1024 * 1024       # largest pack offered
READ_SIZE = 16 * 1024
MAX_CONNECTIONS = 2000           # open connections at once, both channels
IDLE_SECONDS = 150.0             # clients ping after 30 s of silence
DRAIN_SECONDS = 10.0
JOIN_SECONDS = 60.0              # a started game waits this long for its players
MAX_LIST_BATCH = 100
MAX_IDS = 50
CHUNK_SIZE = 16384
PACK_NAME_RE = re.compile(r'^[A-Za-z0-9_.-]{1,64}$')

GAME_FLAGS_MATCH = 0x400          # item catalogue asked for when a match starts
GAME_FLAGS_ITEM_DATA = 0x200
LIST_GAME_PLAYERS = 0x100

# Purchase kinds of the buy requests.
BUY, GIFT, BUY_MORE, GIFT_MORE, REFILL = 0, 1, 256, 257, 258


def safe_pack_name(name):
    """Names that the client turns into file names."""
    return bool(PACK_NAME_RE.match(name)) and not name.startswith('.')


def text(data):
    return codec.decode_text(data or b'')


def utf8(value):
    return codec.encode_text(value)


def latin1(value):
    return codec.pack_latin1(value)


# ---------------------------------------------------------------- generated content

def media_pack(entries):
    """A media pack: "KMP2", count, directory (u16 name length, name, u32
    record offset), then per entry a u32 0, the u32 size and the data."""
    names = [name.encode('latin-1') for name, _data in entries]
    offset = 8 + sum(2 + len(n) + 4 for n in names)
    directory, records = bytearray(), bytearray()
    for name, (_n, data) in zip(names, entries):
        directory += struct.pack('<H', len(name)) + name + struct.pack('<I', offset + len(records))
        records += struct.pack('<II', 0, len(data)) + data
    return b'KMP2' + struct.pack('<I', len(entries)) + bytes(directory) + bytes(records)


def png_image(seed, size=8):
    """A small single-colour RGBA picture."""
    digest = hashlib.md5(str(seed).encode()).digest()
    pixel = bytes(digest[:3]) + b'\xff'
    raw = b''.join(b'\0' + pixel * size for _ in range(size))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))


SAMPLE_LANGUAGE = ('brixlanguage', 'xx', 'Sample', [
    'Sample language', 'OK', 'Cancel', 'Could not connect to the server.', 'Challenge declined',
])
SAMPLE_THEME = ('sample', {'chat_message_default': 'FFFFFFFF', 'chat_message_own': 'FFFFC000',
                           'chat_info': 'FF2F9BCE', 'chat_highlight': 'FFFF6600'})


def language_pack(code, name, texts):
    body = 'NAME=%s\r\nCODE=%s\r\nFLAGS=\r\nSPECIAL_CHARS=0\r\n' % (name, code)
    body += ''.join('%d=%s\r\n' % (i, t) for i, t in enumerate(texts))
    return media_pack([('language.txt', body.encode('utf-16-le'))])


def theme_pack(name, colours):
    xml = '<theme>\n <config type="color">\n%s </config>\n</theme>\n' % ''.join(
        '  <color id="%s" value="%s"/>\n' % item for item in sorted(colours.items()))
    return media_pack([('theme_%s.xml' % name, xml.encode('utf-8'))])


# What each item with a data pack does in a match: the attributes of its description.
ITEM_DESCRIPTIONS = {
    101: {'type': 'cluster'},
    102: {'type': 'snow'},
    201: {'type': 'hat', 'variable': '20', 'filename': 'hat_top.png'},
    202: {'type': 'hat', 'variable': '0', 'filename': 'hat_crown.png'},
}


def item_pack(item):
    """An item's data pack: its description "<file number>.xml" and the pictures that
    it names, in the folder "items/" (the game looks pictures up by file name)."""
    attributes = ITEM_DESCRIPTIONS.get(item['id'], {})
    xml = '<?xml version="1.0"?>\n<item>\n <attributes%s/>\n</item>\n' % ''.join(
        ' %s="%s"' % pair for pair in sorted(attributes.items()))
    entries = [('items/%d.xml' % item['i14'], xml.encode('utf-8'))]
    for key in ('filename', 'battlefilename', 'uniquefilename'):
        if key in attributes:
            entries.append(('items/' + attributes[key], png_image(attributes[key], 16)))
    return media_pack(entries)


# Pack files of a folder: "<base>_<code>.vad" language packs of the framework
# and of the game (offered under the base "game"), "brixtheme_<name>.vad" themes.
LANGUAGE_BASES = {'brixlanguage': 'brixlanguage', 'wobblixlanguage': 'game'}
THEME_BASE = 'brixtheme'


class Packs:
    """Language and theme packs offered to clients, from a folder and
    optionally small samples."""

    def __init__(self, folder=None, samples=False):
        self.languages = {}      # (code, base) -> (display name, bytes)
        self.themes = {}         # name -> bytes
        if samples:
            base, code, name, texts = SAMPLE_LANGUAGE
            self.languages[(code, base)] = (name, language_pack(code, name, texts))
            self.themes[SAMPLE_THEME[0]] = theme_pack(*SAMPLE_THEME)
        if folder:
            for entry in sorted(os.listdir(folder)):
                if not entry.endswith('.vad') or '_' not in entry:
                    continue
                base, rest = entry[:-4].split('_', 1)
                if base != THEME_BASE and base not in LANGUAGE_BASES:
                    continue
                path = os.path.join(folder, entry)
                if not safe_pack_name(rest) or os.path.getsize(path) > MAX_PACK:
                    log.warning('pack %r skipped: name not allowed or file too large', entry)
                    continue
                with open(path, 'rb') as f:
                    data = f.read()
                if base == THEME_BASE:
                    self.themes[rest] = data
                else:
                    self.languages[(rest, LANGUAGE_BASES[base])] = (rest, data)


# ---------------------------------------------------------------- games

class Game:
    def __init__(self, game_id, players):
        self.id = game_id
        self.players = players            # [player 0 (starts), player 1]
        self.links = {}                   # player id -> game Connection
        self.result_recorded = False
        self.outcomes = None              # {player: code} of the recorded result
        self.rematch = set()
        self.started = time.monotonic()

    def other(self, pid):
        return next((p for p in self.players if p != pid), None)


# ---------------------------------------------------------------- connections

class Connection:
    ids = itertools.count(1)

    def __init__(self, server, reader, writer):
        self.server = server
        self.reader = reader
        self.writer = writer
        self.id = next(Connection.ids)
        peer = writer.get_extra_info('peername')
        self.peer = '%s:%s' % peer[:2] if peer else '?'
        self.channel = None               # 'lobby' or 'game'
        self.player = None                # player row once logged in (lobby) or bound (game)
        self.token = ''
        self.pending_names = {}           # lower-case name -> (name, salt) confirmed with 107
        self.game = None
        self.hello = False
        self.device_id = ''
        self.language = ''
        self.closing = False

    @property
    def pid(self):
        return self.player['id'] if self.player is not None else None

    def event(self, what, *args):
        log.info('conn %d %s %s %s', self.id, self.peer, self.channel or '-', what % args if args else what)

    # ---------------------------------------------------------- output

    def send(self, number, fields):
        if self.closing:
            return
        data = codec.encode_message(number, fields)
        transport = self.writer.transport
        if transport.is_closing():
            return
        if transport.get_write_buffer_size() + len(data) > MAX_OUTPUT:
            self.event('dropped: %d bytes queued unread', transport.get_write_buffer_size())
            self.abort()
            return
        self.writer.write(data)

    def abort(self):
        self.closing = True
        self.writer.transport.abort()

    # ---------------------------------------------------------- input

    async def run(self):
        self.event('open')
        reason = 'closed by the client'
        buf = bytearray()
        try:
            while not self.closing:
                data = await asyncio.wait_for(self.reader.read(READ_SIZE), self.server.idle_seconds)
                if not data:
                    break
                buf += data
                while True:
                    size = codec.frame_size(buf, limit=MAX_MESSAGE)
                    if size is None or size > len(buf):
                        break
                    frame = bytes(buf[:size])
                    del buf[:size]
                    number, fields = codec.decode_message(frame)
                    self.dispatch(number, fields)
                    if self.closing:
                        break
                await asyncio.wait_for(self.writer.drain(), DRAIN_SECONDS)
            if self.closing:
                reason = 'closed by the server'
        except codec.CodecError as error:
            reason = 'refused a malformed message: %s' % error
        except asyncio.TimeoutError:
            reason = 'timed out'
        except (ConnectionError, OSError) as error:
            reason = 'connection error: %s' % error
        except ProtocolError as error:
            reason = 'refused: %s' % error
        except Exception as error:  # a fault of ours must not take the server down
            log.exception('conn %d: handler failed', self.id)
            reason = 'internal error: %s' % type(error).__name__
        finally:
            self.closing = True
            self.server.forget(self)
            self.event(reason)
            self.server.connections.discard(self)
            if self.writer.transport.get_write_buffer_size():
                self.writer.transport.abort()
            self.writer.close()
            try:
                await asyncio.wait_for(self.writer.wait_closed(), 1.0)
            except (asyncio.TimeoutError, ConnectionError, OSError):
                pass

    def dispatch(self, number, fields):
        if self.channel is None:
            if number == 0:
                self.channel = 'lobby'
            elif number == 46:
                self.channel = 'game'
            else:
                raise ProtocolError('first message %d is neither hello nor game-ready' % number)
        table = LOBBY_HANDLERS if self.channel == 'lobby' else GAME_HANDLERS
        handler = table.get(number)
        if handler is None:
            self.event('ignored message %d', number)
            return
        needs_login, function = handler
        if needs_login and self.player is None:
            self.event('ignored message %d before log-in', number)
            return
        function(self.server, self, fields)


class ProtocolError(Exception):
    pass


# ---------------------------------------------------------------- lobby handlers

def on_hello(server, conn, f):
    if conn.hello:
        return
    conn.hello = True
    conn.device_id = text(f[12])[:128]
    conn.event('hello from %s', text(f[3])[:64] or 'unknown device')
    if server.redirect:
        conn.event('redirected to %s', server.redirect)
        conn.send(2, [b'', -3, utf8(server.redirect), 0])
    elif server.refuse_url is not None:
        conn.event('refused, update at %s', server.refuse_url)
        conn.send(2, [b'', -1, utf8(server.refuse_url), 0])
    else:
        conn.send(2, [b'', 0, b'', 0])


def on_ping(server, conn, f):
    if f[0] is not None and f[0] < 0:
        conn.send(44, [0])      # any value of 0 or more is echoed back once


APPLICATION_TOKEN = 'q7vm2xk9trb4wa6pzn3hc8yd5fuels0'


def link_check(player_id, session_token, device_id, release=0):
    """The check value that the client's web links carry for this session."""
    data = '%d%s%s%s%d' % (player_id, APPLICATION_TOKEN, session_token, device_id, release)
    return hashlib.md5(narrow(data)).hexdigest()


def player_entry(server, pid):
    row = server.store.player(pid)
    created = time.gmtime(row['created'])
    stamp = [created.tm_year, created.tm_mon, created.tm_mday, created.tm_hour, created.tm_min, created.tm_sec]
    return [pid, latin1(row['name']), b'', latin1(codec.format_date_time_text(*stamp)),
            row['score'], latin1(row['location']), stamp, None]


def log_in(server, conn, row):
    old = server.online.get(row['id'])
    if old is not None and old is not conn:
        old.event('replaced by conn %d', conn.id)
        server.forget(old)
        old.abort()
    conn.player = row
    conn.token = secrets.token_hex(16)
    server.online[row['id']] = conn
    conn.event('logged in as %s (%d), link check %s', row['name'], row['id'],
               link_check(row['id'], conn.token, conn.device_id))
    conn.send(6, [row['id'], latin1(conn.token), b'', latin1(row['name']), 0, b''])


def on_login(server, conn, f):
    user, password = text(f[0]), text(f[1])
    if user == 'guest':
        log_in(server, conn, server.store.create_guest())
        return
    row = server.store.verify(user, password)
    if row is None:
        conn.event('log-in refused for %r', user[:32])
        conn.send(6, [-1, latin1('Wrong user name or password.'), b'', b'', 0, b''])
        return
    log_in(server, conn, row)


def on_login_challenge(server, conn, f):
    name = text(f[0])
    conn.send(58, [latin1(server.store.challenge_for(name))])


def on_external_login(server, conn, f):
    conn.send(6, [-8, latin1('External accounts are not supported by this server.'), b'', b'', 0, b''])


def name_allowed(name):
    return bool(NAME_RE.match(name)) and not name.lower().startswith('guest')


def on_confirm_user_name(server, conn, f):
    name = text(f[0])
    if not name_allowed(name):
        conn.send(108, [2, utf8('This name cannot be used.')])
        return
    if not server.store.name_free(name):
        conn.send(108, [1, utf8('This name is taken.')])
        return
    if len(conn.pending_names) >= 8:
        conn.pending_names.clear()
    salt = secrets.token_hex(8)
    conn.pending_names[name.lower()] = (name, salt)
    conn.send(108, [0, utf8(salt)])


def on_confirm_email(server, conn, f):
    name, email, client_hash, kind = text(f[0]), text(f[1]), text(f[2]), f[3] or 0
    if kind != 0:
        conn.send(110, [-4, utf8('External accounts are not supported by this server.')])
        return
    pending = conn.pending_names.get(name.lower())
    if pending is None or pending[0] != name or not CLIENT_HASH_RE.match(client_hash):
        conn.send(110, [-3, utf8('Confirm the name first.')])
        return
    if not EMAIL_RE.match(email):
        conn.send(110, [-2, utf8('This e-mail address is not valid.')])
        return
    pid = server.store.create_account(name, email, client_hash, pending[1])
    del conn.pending_names[name.lower()]
    if pid is None:
        conn.send(110, [-1, utf8('This name is taken.')])
        return
    conn.event('registered %s (%d)', name, pid)
    conn.send(110, [0, utf8(name)])


def on_logout(server, conn, f):
    if conn.player is not None:
        conn.event('logged out')
        server.forget(conn)
        conn.player = None


def on_language_list(server, conn, f):
    entries = [[utf8(code), utf8(base), utf8(hashlib.md5(data).hexdigest()), 0]
               for (code, base), (_name, data) in sorted(server.packs.languages.items())]
    conn.send(29, [entries])


def on_language_pack(server, conn, f):
    key = (text(f[0]), text(f[1]))
    pack = server.packs.languages.get(key)
    if pack is None:
        return
    conn.send(31, [utf8(key[0]), utf8(key[1]), utf8(pack[0]), 0, pack[1]])


def on_theme_pack(server, conn, f):
    digest = text(f[0])
    for name, data in sorted(server.packs.themes.items()):
        if hashlib.md5(data).hexdigest() == digest:
            return
    for name, data in sorted(server.packs.themes.items()):
        conn.send(33, [utf8(name), b'', data])
        return


def on_change_language(server, conn, f):
    conn.language = text(f[0])[:16]


# "guestLogin" 1 keeps the guest button of the log-in page.
KEY_VALUES = {'motd': 'Welcome to the test lobby.', 'server': 'lobbyserver', 'guestLogin': '1'}


def on_key_value(server, conn, f):
    """Answered before any log-in too: the log-in page asks before it offers a guest."""
    key = text(f[0])
    conn.send(17, [utf8(key), utf8(KEY_VALUES.get(key, 'null'))])


def list_item(server, row):
    flags = (1 if row['id'] in server.online else 0) | (16 if row['followed'] else 0) | (0x100 if row['blocked'] else 0)
    stats = codec.stats_to_wire(0, row['rank'], row['score'], row['wins'], row['ties'], row['losses'],
                                row['followers'], row['following'])
    return [row['id'], utf8(row['name']), b'', b'', utf8(row['location']), flags, utf8(row['comment']), stats]


def on_player_list(server, conn, f):
    kind, first, count, filter_text = f[0] or 0, f[1] if f[1] is not None else -1, f[2] or 0, text(f[3])[:64]
    count = max(0, min(count, MAX_LIST_BATCH))
    total, rows = server.store.list_players(kind, conn.pid, filter_text, first, count)
    conn.send(20, [total, first, kind, [list_item(server, r) for r in rows], []])


def on_game_players(server, conn, f):
    game = server.games.get(f[0])
    ids = game.players if game is not None and conn.pid in game.players else []
    rows = server.store.list_rows(conn.pid, ids)
    conn.send(20, [len(rows), 0, LIST_GAME_PLAYERS, [list_item(server, r) for r in rows], []])


def on_tournament_scores(server, conn, f):
    ids = (f[0] or [])[:MAX_IDS]
    scores = []
    for pid in ids:
        row = server.store.player(pid)
        if row is not None:
            scores.append([pid, [row['score']]])
    conn.send(16, [[utf8('Score')], scores, f[1] or 0])


def on_relation(server, conn, f):
    target, value = f[1], f[3]
    if target is None or target == conn.pid or server.store.player(target) is None:
        return
    server.store.set_follow(conn.pid, target, value == 0)
    # Confirmed as kind 3 (relation 1 + 2): state 0 followed, 1 not.
    conn.send(22, [target, conn.pid, 1, 0 if value == 0 else 1, b''])


def on_block(server, conn, f):
    target = f[0]
    if target is None or target == conn.pid or server.store.player(target) is None:
        return
    server.store.set_block(conn.pid, target, bool(f[1]))


def on_challenge(server, conn, f):
    app_id = f[0] or 0
    for target in (f[1] or [])[:10]:
        other = server.online.get(target)
        if other is None or target == conn.pid or server.store.blocks(target, conn.pid):
            # Unknown, offline or blocking: answered at once as unavailable, in the
            # target's name as an answer relayed from it would be.
            conn.send(40, [3, app_id, target, conn.pid, b'', b''])
            continue
        game_id = server.new_game_id()
        server.challenges[(conn.pid, target)] = game_id
        me = conn.player
        rank = server.store.list_rows(target, [conn.pid])[0]['rank']
        other.send(39, [game_id, conn.pid, utf8(me['name']), utf8('#%d' % rank), me['score'], 0])
        other.send(85, [conn.pid, 0, png_image(conn.pid)])
        conn.event('challenged %d', target)


def on_challenge_answer(server, conn, f):
    """The answerer sends [2] the challenger's id and [3] its own. Each side is told
    with [2] the other side's id and [3] its own, the layout the lobby reads: its own
    id in [2] would mean an answer about a challenge of its own."""
    answer, app_id, challenger = f[0], f[1] or 0, f[2]
    game_id = server.challenges.pop((challenger, conn.pid), None)
    if game_id is None:
        return
    other = server.online.get(challenger)
    if other is None:
        return
    name = latin1(conn.player['name'])
    if answer == 1 and (server.busy(challenger) or server.busy(conn.pid)):
        # One of them is already in a match: both hear that it cannot start.
        other.send(40, [2, app_id, conn.pid, challenger, name, b''])
        conn.send(40, [2, app_id, challenger, conn.pid, latin1(other.player['name']), b''])
        return
    other.send(40, [answer, app_id, conn.pid, challenger, name, f[5] or b''])
    if answer == 1:
        server.start_game(game_id, challenger, conn.pid)


def on_match_request(server, conn, f):
    server.cancel_match(conn.pid)
    for waiting in list(server.match_queue):
        if (waiting != conn.pid and not server.busy(waiting)
                and not server.store.blocks(waiting, conn.pid) and not server.store.blocks(conn.pid, waiting)):
            server.match_queue.remove(waiting)
            server.start_game(server.new_game_id(), waiting, conn.pid)
            return
    server.match_queue.append(conn.pid)
    conn.event('waiting for a quick match')


def on_cancel_match(server, conn, f):
    server.cancel_match(conn.pid)


def on_game_results(server, conn, f):
    count = max(0, min(f[1] or 0, 50))
    offset = max(0, f[2] or 0)
    items = []
    for r in server.store.results(conn.pid, count, offset):
        stamp = time.gmtime(r['time'])
        items.append([r['result'], r['points'], r['opponent'], r['game_id'] & 0x7FFFFFFF,
                      latin1(r['opponent_name'] or ''),
                      latin1(codec.format_date_time_text(stamp.tm_year, stamp.tm_mon, stamp.tm_mday,
                                                         stamp.tm_hour, stamp.tm_min, stamp.tm_sec))])
    conn.send(75, [items])


ACHIEVEMENTS = [('wins', 1, 'First win', 'Win one match'), ('wins', 10, 'Ten wins', 'Win ten matches'),
                ('ties', 1, 'Even', 'Draw one match'), ('losses', 1, 'Brave', 'Lose one match')]


def on_achievements(server, conn, f):
    row = server.store.player(conn.pid)
    records = [[i, 1, utf8(title), utf8(desc), b'', b'']
               for i, (column, need, title, desc) in enumerate(ACHIEVEMENTS) if row[column] >= need]
    conn.send(11, [f[0] or 0, f[1] or 0, f[2] or 0, records, 0])


def on_image_and_link(server, conn, f):
    conn.send(52, [f[0] or b'', png_image(text(f[0])), b'', b'', b''])


def on_coin_balance(server, conn, f):
    conn.send(91, [server.store.coins(conn.pid)])


def shop_item_record(item):
    return [item['id'], utf8(item['name']), utf8(item['short_desc']), utf8(item['full_desc']),
            item['price'], item['gift_price'], item['refill_price'], item['group_id'], 0,
            item['owned_amount'] or item['amount'], 0, item['state'], item['pack_id'],
            utf8(item['display_name']), item['i14']]


def catalogue(server, conn, flags):
    """(groups, items) of a shop request: 0 the shop, 1 the user's items,
    0x200 items with data packs, 0x400 (match start) the user's items."""
    category = flags & ~0xFF
    if flags & 0xFF == 1 or category == GAME_FLAGS_MATCH:
        items = server.store.owned_items(conn.pid)
    elif category == GAME_FLAGS_ITEM_DATA:
        items = [i for i in server.store.shop_items() if i['pack_id']]
    else:
        items = server.store.shop_items()
    groups = []
    for g in server.store.groups():
        n = sum(1 for i in items if i['group_id'] == g['id'])
        if n or flags == 0:
            groups.append([g['id'], utf8(g['name']), g['kind'], g['g3'], g['g4'], n])
    return groups, items


def on_shop_groups(server, conn, f):
    flags = f[0] or 0
    groups, _items = catalogue(server, conn, flags)
    conn.send(93, [flags, groups])


def on_items_page(server, conn, f):
    flags, count, offset = f[0] or 0, max(0, min(f[1] or 0, MAX_LIST_BATCH)), max(0, f[2] or 0)
    _groups, items = catalogue(server, conn, flags)
    conn.send(97, [flags, offset, [shop_item_record(i) for i in items[offset:offset + count]]])


def on_item_data_list(server, conn, f):
    # Every pack is marked required: a pack holds the description of an item that changes
    # a match (a hat's health), and both handsets must read the opponent's item alike.
    records = []
    for item in server.store.shop_items():
        if item['pack_id']:
            data = server.item_pack(item['pack_id'])
            records.append([item['pack_id'], 1, hashlib.md5(data).digest(), len(data)])
    conn.send(87, [records])


def on_data_chunk(server, conn, f):
    pack_id, offset, length = f[0] or 0, f[1] or 0, f[2] or 0
    data = server.item_pack(pack_id)
    if data is None or offset < 0 or offset > len(data) or length < 1:
        conn.send(89, [pack_id, offset, b'', 0])
        return
    piece = data[offset:offset + min(length, CHUNK_SIZE)]
    conn.send(89, [pack_id, offset, piece, len(data) - offset - len(piece)])


def on_item_state(server, conn, f):
    item_id, state = f[0] or 0, 1 if f[1] else 0
    if server.store.set_item_state(conn.pid, item_id, state):
        conn.send(106, [item_id, state, b'', 0])
    else:
        conn.send(106, [item_id, state, utf8('You do not own this item.'), 0])


def on_item_images(server, conn, f):
    size = f[1] or 0
    for item_id in (f[0] or [])[:MAX_IDS]:
        if server.store.item(item_id) is not None:
            conn.send(100, [item_id, size, png_image(('item', item_id), 8 if size == 0 else 32)])


def receivers_for(server, conn):
    rows = server.store.list_rows(conn.pid, server.store.following(conn.pid))
    return [[r['id'], utf8(r['name']), b''] for r in rows]


def on_buy_item(server, conn, f):
    item_id, kind = f[0] or 0, f[1] or 0
    item = server.store.item(item_id)
    if item is None or kind not in (BUY, GIFT, BUY_MORE, GIFT_MORE, REFILL):
        conn.send(103, [item_id, kind, utf8('This item is not for sale.'), []])
        return
    receivers = receivers_for(server, conn) if kind in (GIFT, GIFT_MORE) else []
    if kind in (GIFT, GIFT_MORE) and not receivers:
        conn.send(103, [item_id, kind, utf8('Follow a player first to give gifts.'), []])
        return
    conn.send(103, [item_id, kind, b'', receivers])


def on_confirm_buy(server, conn, f):
    item_id, kind, receivers = f[0] or 0, f[1] or 0, (f[2] or [])[:MAX_IDS]
    item = server.store.item(item_id)
    refusal = ''
    lines = []
    if item is None:
        refusal = 'This item is not for sale.'
    elif kind in (GIFT, GIFT_MORE):
        valid = [r for r in dict.fromkeys(receivers) if r != conn.pid and server.store.player(r) is not None]
        if not valid:
            refusal = 'Choose who receives the gift.'
        lines = [(r, item, item['gift_price']) for r in valid]
    elif kind == REFILL:
        lines = [(conn.pid, item, item['refill_price'] if item['refill_price'] >= 1 else item['price'])]
    elif kind in (BUY, BUY_MORE):
        lines = [(conn.pid, item, item['price'])]
    else:
        refusal = 'Unknown purchase.'
    if not refusal:
        refusal = server.store.purchase(conn.pid, lines)
        if refusal:
            kind = -1            # a negative kind offers more coins
    conn.event('purchase of %d: %s', item_id, refusal or 'done')
    conn.send(105, [item_id, kind, utf8(refusal)])
    conn.send(91, [server.store.coins(conn.pid)])


def giftable(server):
    return [i for i in server.store.shop_items() if i['gift_price'] > 0]


def on_gift_items(server, conn, f):
    target = f[0] or 0
    if target == conn.pid or server.store.player(target) is None:
        conn.send(114, [target, utf8('This player cannot receive gifts.'), []])
        return
    conn.send(114, [target, b'', [shop_item_record(i) for i in giftable(server)]])


def on_confirm_gift_items(server, conn, f):
    target, item_ids = f[0] or 0, (f[2] or [])[:MAX_IDS]
    refusal = ''
    if target == conn.pid or server.store.player(target) is None:
        refusal = 'This player cannot receive gifts.'
    items = [server.store.item(i) for i in item_ids]
    if not refusal and (not items or any(i is None or i['gift_price'] <= 0 for i in items)):
        refusal = 'These items cannot be given.'
    code = 0
    if not refusal:
        refusal = server.store.purchase(conn.pid, [(target, i, i['gift_price']) for i in items])
        code = -1 if refusal else 0
    conn.send(116, [target, code, utf8(refusal)])
    conn.send(91, [server.store.coins(conn.pid)])


def on_ignored(server, conn, f):
    pass


def on_item_used(server, conn, f):
    """An item used in a match (101): the item and the count, logged."""
    conn.event('item %r used x%r', f[0], f[1])


LOBBY_HANDLERS = {
    0: (False, on_hello),
    5: (False, on_login),
    57: (False, on_login_challenge),
    111: (False, on_external_login),
    107: (False, on_confirm_user_name),
    109: (False, on_confirm_email),
    44: (False, on_ping),
    59: (False, on_logout),
    28: (True, on_language_list),
    30: (True, on_language_pack),
    32: (True, on_theme_pack),
    37: (True, on_change_language),
    25: (False, on_key_value),
    19: (True, on_player_list),
    18: (True, on_game_players),
    14: (True, on_tournament_scores),
    21: (True, on_relation),
    22: (True, on_ignored),
    76: (True, on_block),
    38: (True, on_challenge),
    40: (True, on_challenge_answer),
    7: (True, on_match_request),
    9: (True, on_cancel_match),
    74: (True, on_game_results),
    10: (True, on_achievements),
    51: (True, on_image_and_link),
    90: (True, on_coin_balance),
    92: (True, on_shop_groups),
    96: (True, on_items_page),
    94: (True, on_item_data_list),
    88: (True, on_data_chunk),
    98: (True, on_item_state),
    99: (True, on_item_images),
    102: (True, on_buy_item),
    104: (True, on_confirm_buy),
    113: (True, on_gift_items),
    115: (True, on_confirm_gift_items),
    101: (True, on_item_used),
    3: (True, on_ignored), 36: (True, on_ignored), 82: (True, on_ignored), 84: (True, on_ignored),
    112: (True, on_ignored),
}


# ---------------------------------------------------------------- game handlers

def on_game_ready(server, conn, f):
    pid, game_id = f[0], f[1]
    game = server.games.get(game_id)
    if conn.game is not None:
        return
    if game is None or pid not in game.players or pid not in server.online:
        raise ProtocolError('game-ready for unknown game %r or player %r' % (game_id, pid))
    old = game.links.get(pid)
    if old is not None and old is not conn:
        old.abort()
    conn.player = server.store.player(pid)
    conn.game = game
    game.links[pid] = conn
    conn.event('player %d ready in game %d', pid, game_id)
    if len(game.links) == 2:
        server.send_game_players(game)


def peer_link(conn):
    game = conn.game
    if game is None:
        return None
    return game.links.get(game.other(conn.pid))


def on_game_data(server, conn, f):
    data = f[0] or b''
    if len(data) > MAX_GAME_DATA:
        conn.event('game data of %d bytes not relayed', len(data))
        return
    peer = peer_link(conn)
    if peer is not None:
        peer.send(13, [data])


def on_chat(server, conn, f):
    peer = peer_link(conn)
    if peer is not None:
        peer.send(64, [f[0] or 0, (f[1] or b'')[:1024], conn.pid])


def on_game_result(server, conn, f):
    game = conn.game
    if game is None or f[0] != game.id:
        return
    ids, codes = f[3] or [], f[4] or []
    outcomes = {pid: code for pid, code in zip(ids, codes) if pid in game.players}
    if len(outcomes) != 2:
        return
    if game.result_recorded:
        # Only the first report counts; the other side's is logged as agreeing or not.
        conn.event('result of game %d %s by %d', game.id,
                   'confirmed' if outcomes == game.outcomes else 'disputed', conn.pid)
        return
    game.result_recorded = True
    game.outcomes = outcomes
    server.store.record_result(game.id, outcomes)
    conn.event('result of game %d recorded', game.id)


def on_game_over(server, conn, f):
    game = conn.game
    if game is None or f[0] != game.id:
        return
    if f[1]:
        game.rematch.add(conn.pid)
        if len(game.rematch) == 2:
            game.rematch.clear()
            game.result_recorded = False
            game.outcomes = None
            server.send_game_players(game)


GAME_HANDLERS = {
    46: (False, on_game_ready),
    13: (True, on_game_data),
    64: (True, on_chat),
    44: (False, on_ping),
    15: (True, on_game_result),
    70: (True, on_game_over),
}


# ---------------------------------------------------------------- server

class LobbyServer:
    def __init__(self, store, host='127.0.0.1', port=5000, public_host=None, packs=None,
                 idle_seconds=IDLE_SECONDS, redirect=None, refuse_url=None):
        self.store = store
        self.redirect = redirect          # "host:port" named in every connect acknowledgement
        self.refuse_url = refuse_url      # refuse every client with this update address
        self.host = host
        self.port = port
        self.public_host = public_host or host
        self.packs = packs or Packs()
        self.idle_seconds = idle_seconds
        self.online = {}            # player id -> lobby Connection
        self.games = {}             # game id -> Game
        self.challenges = {}        # (challenger, target) -> game id
        self.match_queue = []       # player ids waiting for a quick match
        self.connections = set()
        self.max_connections = MAX_CONNECTIONS
        self._game_ids = itertools.count(int(time.time()) * 1000)
        self._item_packs = {}
        self._server = None

    def new_game_id(self):
        return next(self._game_ids)

    def item_pack(self, pack_id):
        """The data pack of the item that names this pack id, or None."""
        if pack_id not in self._item_packs:
            item = self.store.item_with_pack(pack_id)
            if item is None:
                return None
            self._item_packs[pack_id] = item_pack(item)
        return self._item_packs[pack_id]

    def busy(self, pid):
        self.prune_games()
        return any(pid in g.players for g in self.games.values())

    def prune_games(self):
        """Drops games that nobody joined on the game channel in time."""
        now = time.monotonic()
        for game_id in [g.id for g in self.games.values() if not g.links and now - g.started > JOIN_SECONDS]:
            del self.games[game_id]
            log.info('game %d dropped: nobody joined', game_id)

    def cancel_match(self, pid):
        if pid in self.match_queue:
            self.match_queue.remove(pid)

    def start_game(self, game_id, first, second):
        game = Game(game_id, [first, second])
        self.games[game_id] = game
        entries = [player_entry(self, p) for p in game.players]
        address = latin1('%s:%d' % (self.public_host, self.port))
        for pid in game.players:
            starts = 1 if pid == first else 0
            conn = self.online.get(pid)
            if conn is not None:
                conn.send(12, [game_id, entries, starts, starts, address, 0])
        log.info('game %d started: %d against %d', game_id, first, second)

    def send_game_players(self, game):
        entries = [player_entry(self, p) for p in game.players]
        for pid, link in game.links.items():
            starts = 1 if pid == game.players[0] else 0
            link.send(12, [game.id, entries, starts, starts, latin1('%s:%d' % (self.public_host, self.port)), 0])

    def forget(self, conn):
        """Removes every trace of a closed or logged-out connection."""
        pid = conn.pid
        if conn.channel == 'lobby' and pid is not None and self.online.get(pid) is conn:
            del self.online[pid]
            self.cancel_match(pid)
            for key in [k for k in self.challenges if pid in k]:
                del self.challenges[key]
        game = conn.game
        if game is not None and game.links.get(pid) is conn:
            del game.links[pid]
            conn.game = None
            peer = game.links.get(game.other(pid))
            if peer is not None:
                peer.send(72, [game.id, pid])
            if not game.links:
                self.games.pop(game.id, None)
                log.info('game %d ended', game.id)

    async def _accept(self, reader, writer):
        if len(self.connections) >= self.max_connections:
            log.warning('connection from %s refused: %d open', writer.get_extra_info('peername'),
                        len(self.connections))
            writer.transport.abort()
            return
        conn = Connection(self, reader, writer)
        self.connections.add(conn)
        await conn.run()

    async def start(self):
        self._server = await asyncio.start_server(self._accept, self.host, self.port,
                                                  limit=MAX_MESSAGE, backlog=512)
        self.port = self._server.sockets[0].getsockname()[1]
        # Games started before the first connection still name the real port.
        return self.port

    async def stop(self):
        if self._server is not None:
            self._server.close()
            for conn in list(self.connections):
                conn.abort()
            await self._server.wait_closed()


def main(argv=None):
    parser = argparse.ArgumentParser(description='Lobby and game server for local play and tests.')
    parser.add_argument('--host', default='127.0.0.1')
    parser.add_argument('--port', type=int, default=5000, help='0 picks a free port')
    parser.add_argument('--db', default='lobby.db', help='SQLite file (":memory:" for none)')
    parser.add_argument('--public-host', help='host named in game joins (default: --host)')
    parser.add_argument('--packs', help='folder of language and theme packs to offer')
    parser.add_argument('--sample-packs', action='store_true', help='offer a small sample language and theme')
    parser.add_argument('--seed-players', type=int, default=0, help='add this many players to the list')
    parser.add_argument('--idle', type=float, default=IDLE_SECONDS, help='seconds of silence before a drop')
    parser.add_argument('--redirect', metavar='HOST:PORT', help='send every client to another server')
    parser.add_argument('--refuse', metavar='URL', help='refuse every client, naming an update page')
    args = parser.parse_args(argv)
    logging.basicConfig(level=logging.INFO, stream=sys.stderr,
                        format='%(asctime)s %(name)s %(message)s')
    store = open_store(args.db)
    if args.seed_players > 0:
        store.seed_players(args.seed_players)
    server = LobbyServer(store, args.host, args.port, args.public_host,
                         Packs(args.packs, args.sample_packs), args.idle, args.redirect, args.refuse)

    async def run():
        port = await server.start()
        loop = asyncio.get_running_loop()
        stopped = asyncio.Event()
        for signum in (signal.SIGTERM, signal.SIGINT):
            loop.add_signal_handler(signum, stopped.set)
        print('lobbyserver listening on %s:%d' % (args.host, port), flush=True)
        await stopped.wait()
        log.info('stopping')
        await server.stop()

    try:
        asyncio.run(run())
    except KeyboardInterrupt:
        pass
    finally:
        store.close()


if __name__ == '__main__':
    main()
