"""SQLite store of the lobby server: accounts, follows, blocks, shop, coins,
owned items and game results."""

import hashlib
import hmac
import os
import re
import secrets
import sqlite3
import time

HASH_ROUNDS = 2000
NAME_RE = re.compile(r'^[A-Za-z0-9_-]{4,15}$')
EMAIL_RE = re.compile(r'^[^@\s]{1,64}@[^@\s]{1,190}\.[^@\s]{1,20}$')
CLIENT_HASH_RE = re.compile(r'^[0-9a-f]{32}$')

START_COINS = 100
GUEST_COINS = 50
WIN_COINS = 10

SCHEMA = """
CREATE TABLE IF NOT EXISTS players (
    id INTEGER PRIMARY KEY,
    name TEXT UNIQUE COLLATE NOCASE,
    email TEXT NOT NULL DEFAULT '',
    salt TEXT NOT NULL DEFAULT '',
    key_salt BLOB,
    verifier BLOB,
    guest INTEGER NOT NULL DEFAULT 0,
    coins INTEGER NOT NULL DEFAULT 0,
    location TEXT NOT NULL DEFAULT '',
    comment TEXT NOT NULL DEFAULT '',
    score INTEGER NOT NULL DEFAULT 0,
    wins INTEGER NOT NULL DEFAULT 0,
    ties INTEGER NOT NULL DEFAULT 0,
    losses INTEGER NOT NULL DEFAULT 0,
    created REAL NOT NULL
);
CREATE TABLE IF NOT EXISTS follows (
    follower INTEGER NOT NULL, followee INTEGER NOT NULL,
    PRIMARY KEY (follower, followee));
CREATE TABLE IF NOT EXISTS blocks (
    blocker INTEGER NOT NULL, blocked INTEGER NOT NULL,
    PRIMARY KEY (blocker, blocked));
CREATE TABLE IF NOT EXISTS shop_groups (
    id INTEGER PRIMARY KEY, name TEXT NOT NULL, kind INTEGER NOT NULL,
    g3 INTEGER NOT NULL DEFAULT 0, g4 INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS items (
    id INTEGER PRIMARY KEY, group_id INTEGER NOT NULL, name TEXT NOT NULL,
    short_desc TEXT NOT NULL, full_desc TEXT NOT NULL,
    price INTEGER NOT NULL, gift_price INTEGER NOT NULL, refill_price INTEGER NOT NULL,
    amount INTEGER NOT NULL, pack_id INTEGER NOT NULL DEFAULT 0,
    display_name TEXT NOT NULL DEFAULT '', i14 INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS owned (
    player INTEGER NOT NULL, item INTEGER NOT NULL,
    amount INTEGER NOT NULL, state INTEGER NOT NULL DEFAULT 1,
    PRIMARY KEY (player, item));
CREATE TABLE IF NOT EXISTS results (
    id INTEGER PRIMARY KEY, game_id INTEGER NOT NULL, player INTEGER NOT NULL,
    opponent INTEGER NOT NULL, result INTEGER NOT NULL, points INTEGER NOT NULL,
    time REAL NOT NULL);
"""

# (id, name, kind, g3, g4): kinds 1-5 decide the buttons of the my-items page.
SEED_GROUPS = [
    (1, 'Bombs', 4, 0, 1),
    (2, 'Hats', 2, 0, 2),
    (3, 'Boosts', 3, 0, 3),
    (4, 'Crates', 5, 0, 4),
]

# (id, group, name, short, full, price, gift, refill, amount, pack id, display name,
# description file number): an item with a pack id has a data pack whose description
# file "<number>.xml" tells the game what the item does in a match.
SEED_ITEMS = [
    (101, 1, 'Cluster bomb', 'Splits in five', 'A bomb that bursts into five small bombs over the target.', 50, 60, 0, 5, 101, '', 1),
    (102, 1, 'Snow bomb', 'Freezes blocks', 'Covers the blocks it hits in snow so that they slide.', 40, 50, 0, 5, 102, '', 2),
    (201, 2, 'Top hat', 'A tall black hat', 'A tall black hat for the gentleman gloob.', 120, 150, 0, 1, 201, '', 3),
    (202, 2, 'Crown', 'For the champion', 'A golden crown; it does nothing but shine.', 300, 350, 0, 1, 202, 'Golden crown', 4),
    (301, 3, 'Double coins', 'Two coins per win', 'For one day every won match gives twice the coins.', 200, 220, 0, 86400, 0, '', 0),
    (401, 4, 'Ammo crate', 'Ten extra shots', 'Ten extra shots, refilled at a lower price.', 100, 120, 30, 10, 0, '', 0),
]

# Accounts with known passwords for trying the server by hand.
SEED_ACCOUNTS = [
    ('Alice', 'alice-pw', 500, 'Helsinki', 'Aim high'),
    ('Bobby', 'bobby-pw', 20, 'Oulu', 'Poor but proud'),
    ('Carol', 'carol-pw', 1000, 'Turku', 'Collector'),
]


def narrow(text):
    """Each character's low 8 bits, as the client narrows before hashing."""
    return bytes(ord(ch) & 0xFF for ch in text)


def client_password_hash(password, salt):
    """The hash a client sends: lower-case hex MD5 of password + salt."""
    return hashlib.md5(narrow(password + salt)).hexdigest()


def _verifier(client_hash, key_salt):
    return hashlib.pbkdf2_hmac('sha256', client_hash.encode('ascii'), key_salt, HASH_ROUNDS)


class Store:
    def __init__(self, path, secret=None):
        self.db = sqlite3.connect(path)
        self.db.row_factory = sqlite3.Row
        self.db.executescript(SCHEMA)
        # Fake salts for unknown names come from this secret, so a name
        # probe cannot tell an account from no account.
        self.secret = secret if secret is not None else secrets.token_bytes(16)
        if self.db.execute('SELECT COUNT(*) FROM shop_groups').fetchone()[0] == 0:
            self.seed()
        else:
            self.update_seed_items()

    def close(self):
        self.db.close()

    # ------------------------------------------------------------ seeding

    def seed(self):
        with self.db:
            self.db.executemany('INSERT INTO shop_groups VALUES (?,?,?,?,?)', SEED_GROUPS)
            self.db.executemany(
                'INSERT INTO items (id, group_id, name, short_desc, full_desc, price, gift_price,'
                ' refill_price, amount, pack_id, display_name, i14) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)',
                SEED_ITEMS)
        for name, password, coins, location, comment in SEED_ACCOUNTS:
            salt = secrets.token_hex(8)
            pid = self.create_account(name, name.lower() + '@example.org',
                                      client_password_hash(password, salt), salt)
            with self.db:
                self.db.execute('UPDATE players SET coins=?, location=?, comment=? WHERE id=?',
                                (coins, location, comment, pid))
        self.seed_players(20)

    def update_seed_items(self):
        """A database seeded before the items had description files gets the seed
        items' packs and file numbers; items changed since are left alone."""
        with self.db:
            for item in SEED_ITEMS:
                self.db.execute('UPDATE items SET pack_id=?, i14=? WHERE id=? AND name=? AND i14=0',
                                (item[9], item[11], item[0], item[2]))

    def seed_players(self, count):
        """Adds `count` players without a password (list fill)."""
        start = self.db.execute('SELECT COUNT(*) FROM players').fetchone()[0]
        now = time.time()
        rows = []
        for i in range(count):
            n = start + i
            rows.append(('Seed%04d' % n, 'Town %d' % (n % 17), 'Seeded player %d' % n,
                         (n * 37) % 500, n % 11, n % 5, n % 7, START_COINS, now))
        with self.db:
            self.db.executemany(
                'INSERT OR IGNORE INTO players (name, location, comment, score, wins, ties, losses,'
                ' coins, created) VALUES (?,?,?,?,?,?,?,?,?)', rows)

    # ------------------------------------------------------------ accounts

    def player(self, pid):
        return self.db.execute('SELECT * FROM players WHERE id=?', (pid,)).fetchone()

    def player_by_name(self, name):
        return self.db.execute('SELECT * FROM players WHERE name=?', (name,)).fetchone()

    def name_free(self, name):
        return self.player_by_name(name) is None

    def challenge_for(self, name):
        """The account's salt; for an unknown name a stable fake one."""
        row = self.player_by_name(name)
        if row is not None and row['verifier'] is not None:
            return row['salt']
        return hmac.new(self.secret, name.lower().encode('utf-8'), 'sha256').hexdigest()[:16]

    def create_account(self, name, email, client_hash, salt):
        """New account; returns its id, or None when the name is taken."""
        key_salt = secrets.token_bytes(16)
        try:
            with self.db:
                cur = self.db.execute(
                    'INSERT INTO players (name, email, salt, key_salt, verifier, coins, created)'
                    ' VALUES (?,?,?,?,?,?,?)',
                    (name, email, salt, key_salt, _verifier(client_hash, key_salt), START_COINS, time.time()))
        except sqlite3.IntegrityError:
            return None
        return cur.lastrowid

    def verify(self, name, client_hash):
        """The player row when the hash matches the account's, else None."""
        row = self.player_by_name(name)
        if row is None or row['verifier'] is None or row['guest']:
            _verifier(client_hash, b'\0' * 16)     # same cost either way
            return None
        if hmac.compare_digest(_verifier(client_hash, row['key_salt']), row['verifier']):
            return row
        return None

    def create_guest(self):
        with self.db:
            cur = self.db.execute('INSERT INTO players (guest, coins, created) VALUES (1,?,?)',
                                  (GUEST_COINS, time.time()))
            pid = cur.lastrowid
            self.db.execute('UPDATE players SET name=? WHERE id=?', ('Guest%d' % pid, pid))
        return self.player(pid)

    # ------------------------------------------------------------ relations

    def set_follow(self, follower, followee, on):
        with self.db:
            if on:
                self.db.execute('INSERT OR IGNORE INTO follows VALUES (?,?)', (follower, followee))
            else:
                self.db.execute('DELETE FROM follows WHERE follower=? AND followee=?', (follower, followee))

    def set_block(self, blocker, blocked, on):
        with self.db:
            if on:
                self.db.execute('INSERT OR IGNORE INTO blocks VALUES (?,?)', (blocker, blocked))
            else:
                self.db.execute('DELETE FROM blocks WHERE blocker=? AND blocked=?', (blocker, blocked))

    def blocks(self, blocker, blocked):
        return self.db.execute('SELECT 1 FROM blocks WHERE blocker=? AND blocked=?',
                               (blocker, blocked)).fetchone() is not None

    def following(self, follower):
        return [r[0] for r in self.db.execute('SELECT followee FROM follows WHERE follower=?', (follower,))]

    # ------------------------------------------------------------ lists

    _LIST_COLUMNS = """p.*,
        (SELECT COUNT(*) FROM players q WHERE q.score > p.score AND q.guest = 0) + 1 AS rank,
        (SELECT COUNT(*) FROM follows f WHERE f.followee = p.id) AS followers,
        (SELECT COUNT(*) FROM follows f WHERE f.follower = p.id) AS following,
        EXISTS (SELECT 1 FROM follows f WHERE f.follower = :viewer AND f.followee = p.id) AS followed,
        EXISTS (SELECT 1 FROM blocks b WHERE b.blocker = :viewer AND b.blocked = p.id) AS blocked"""

    def list_players(self, kind, viewer, text, first, count):
        """(total, rows) of a player list: 32 the viewer only, kinds with
        bits 64 or 128 the players the viewer follows, others everybody
        but guests; filtered by a part of the name, ordered by id."""
        where, args = ['p.name IS NOT NULL'], {'viewer': viewer, 'text': text.lower()}
        if kind & 32:
            where.append('p.id = :viewer')
        elif kind & 192:
            where.append('p.id IN (SELECT followee FROM follows WHERE follower = :viewer)')
        else:
            where.append('(p.guest = 0 OR p.id = :viewer)')
        if text:
            where.append('instr(lower(p.name), :text) > 0')
        clause = ' AND '.join(where)
        total = self.db.execute('SELECT COUNT(*) FROM players p WHERE ' + clause, args).fetchone()[0]
        rows = []
        if first >= 0 and count > 0:
            args.update(first=first, count=count)
            rows = self.db.execute('SELECT ' + self._LIST_COLUMNS + ' FROM players p WHERE ' + clause
                                   + ' ORDER BY p.id LIMIT :count OFFSET :first', args).fetchall()
        return total, rows

    def list_rows(self, viewer, ids):
        rows = []
        for pid in ids:
            row = self.db.execute('SELECT ' + self._LIST_COLUMNS + ' FROM players p WHERE p.id = :id',
                                  {'viewer': viewer, 'id': pid}).fetchone()
            if row is not None:
                rows.append(row)
        return rows

    # ------------------------------------------------------------ shop

    def groups(self):
        return self.db.execute('SELECT * FROM shop_groups ORDER BY id').fetchall()

    def item(self, item_id):
        return self.db.execute('SELECT * FROM items WHERE id=?', (item_id,)).fetchone()

    def item_with_pack(self, pack_id):
        if not pack_id:
            return None
        return self.db.execute('SELECT * FROM items WHERE pack_id=? ORDER BY id LIMIT 1', (pack_id,)).fetchone()

    def shop_items(self):
        return self.db.execute('SELECT i.*, 0 AS owned_amount, 1 AS state FROM items i'
                               ' ORDER BY i.group_id, i.id').fetchall()

    def owned_items(self, player):
        return self.db.execute('SELECT i.*, o.amount AS owned_amount, o.state AS state FROM owned o'
                               ' JOIN items i ON i.id = o.item WHERE o.player=?'
                               ' ORDER BY i.group_id, i.id', (player,)).fetchall()

    def coins(self, player):
        row = self.db.execute('SELECT coins FROM players WHERE id=?', (player,)).fetchone()
        return row[0] if row else 0

    def set_item_state(self, player, item_id, state):
        with self.db:
            cur = self.db.execute('UPDATE owned SET state=? WHERE player=? AND item=?',
                                  (1 if state else 0, player, item_id))
        return cur.rowcount == 1

    def purchase(self, buyer, lines):
        """Buys [(receiver, item row, price)] at once. Returns '' on success,
        or the refusal text; nothing changes on a refusal."""
        total = sum(price for _r, _i, price in lines)
        with self.db:
            cur = self.db.execute('UPDATE players SET coins = coins - ? WHERE id=? AND coins >= ?',
                                  (total, buyer, total))
            if cur.rowcount != 1:
                return 'Not enough coins: %d needed, %d held.' % (total, self.coins(buyer))
            for receiver, item, _price in lines:
                self.db.execute('INSERT INTO owned (player, item, amount) VALUES (?,?,?)'
                                ' ON CONFLICT (player, item) DO UPDATE SET amount = amount + excluded.amount',
                                (receiver, item['id'], item['amount']))
        return ''

    # ------------------------------------------------------------ results

    def record_result(self, game_id, outcomes):
        """outcomes: {player: code} with 1 winner, 2 loser, other a tie."""
        players = list(outcomes)
        now = time.time()
        with self.db:
            for pid in players:
                opponent = next((p for p in players if p != pid), 0)
                code = outcomes[pid]
                result, column, points, coins = ((1, 'wins', 3, WIN_COINS) if code == 1 else
                                                 (-1, 'losses', 0, 0) if code == 2 else
                                                 (0, 'ties', 1, 0))
                self.db.execute('UPDATE players SET %s = %s + 1, score = score + ?, coins = coins + ?'
                                ' WHERE id=?' % (column, column), (points, coins, pid))
                self.db.execute('INSERT INTO results (game_id, player, opponent, result, points, time)'
                                ' VALUES (?,?,?,?,?,?)', (game_id, pid, opponent, result, points, now))

    def results(self, player, count, offset):
        return self.db.execute('SELECT r.*, p.name AS opponent_name FROM results r'
                               ' LEFT JOIN players p ON p.id = r.opponent WHERE r.player=?'
                               ' ORDER BY r.id DESC LIMIT ? OFFSET ?', (player, count, offset)).fetchall()


def open_store(path):
    if path != ':memory:':
        directory = os.path.dirname(os.path.abspath(path))
        os.makedirs(directory, exist_ok=True)
    return Store(path)
