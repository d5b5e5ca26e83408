"""Golden byte tests of the BER codec, both ways, and its refusals."""

import json
import os
import random
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import asn1codec as c  # noqa: E402

H = bytes.fromhex


def field_bytes(kind, value):
    """Encoding of one value after its identifier."""
    return c._encode_value(kind, value, None, 1)


def field_value(kind, data):
    value, pos = c._decode_value(kind, data, 0, len(data), None, 1)
    if pos != len(data):
        raise c.CodecError('trailing bytes')
    return value


class PrimitiveTest(unittest.TestCase):
    def test_lengths(self):
        for length, wire in [(0, '00'), (127, '7f'), (128, '8180'), (256, '820100'), (0x10000, '83010000')]:
            self.assertEqual(c.encode_length(length).hex(), wire)
            buf = H(wire) + bytes(length)
            self.assertEqual(c.decode_length(buf, 0, len(buf)), (length, len(H(wire))))

    def test_lengths_refused(self):
        # Indefinite (80, and 90 with its ignored bits), over-long forms,
        # more than four length bytes, lengths past the data or the maximum.
        for wire in ['80', '90', '8100', '817f', '82007f', '8500000001', '05', '8180',
                     '84ffffffff']:
            buf = H(wire) + bytes(4)
            with self.assertRaises(c.CodecError, msg=wire):
                c.decode_length(buf, 0, len(H(wire)) + (4 if wire == '05' else 0))

    def test_identifiers(self):
        for cls, number, wire in [(0x80, 30, '9e'), (0x80, 31, '9f1f'), (0x80, 127, '9f7f'),
                                  (0x80, 128, '9f8100'), (0xA0, 2, 'a2'), (0xA0, 64, 'bf40'),
                                  (0xA0, 116, 'bf74')]:
            self.assertEqual(c.encode_identifier(cls, number).hex(), wire)
            self.assertEqual(c.decode_identifier(H(wire), 0, len(H(wire)))[2], number)
        for wire in ['bf05', 'bf80', 'bf', '9f818181']:
            with self.assertRaises(c.CodecError, msg=wire):
                c.decode_identifier(H(wire), 0, len(H(wire)))

    def test_integers(self):
        for value, wire in [(0, '0100'), (127, '017f'), (128, '020080'), (-1, '01ff'),
                            (-128, '0180'), (-129, '02ff7f'), (0x7FFFFFFF, '047fffffff'),
                            (-0x80000000, '0480000000')]:
            self.assertEqual(field_bytes(c.INT, value).hex(), wire)
            self.assertEqual(field_value(c.INT, H(wire)), value)
        self.assertEqual(field_value(c.INT, H('03ffff7f')), -129)
        self.assertEqual(field_value(c.INT, H('00')), 0)
        for bad in [1 << 31, -(1 << 31) - 1, True, 'x']:
            with self.assertRaises(c.CodecError):
                field_bytes(c.INT, bad)
        with self.assertRaises(c.CodecError):
            field_value(c.INT, H('050000000001'))

    def test_long_integers(self):
        self.assertEqual(field_bytes(c.LONG, 0x100000000).hex(), '050100000000')
        self.assertEqual(field_value(c.LONG, H('050100000000')), 0x100000000)
        self.assertEqual(field_value(c.LONG, H('01ff')), 255)      # no sign extension
        self.assertEqual(field_bytes(c.LONG, (1 << 63) - 1).hex(), '087fffffffffffffff')
        for bad in [-1, 1 << 63]:
            with self.assertRaises(c.CodecError):
                field_bytes(c.LONG, bad)
        with self.assertRaises(c.CodecError):
            field_value(c.LONG, H('09000000000000000001'))

    def test_texts(self):
        for text, wire in [('abc', '03616263'), ('\u00e9', '02c3a9'), ('\u20ac', '03e282ac'), ('', '00')]:
            self.assertEqual(field_bytes(c.STR, c.encode_text(text)).hex(), wire)
            self.assertEqual(c.decode_text(field_value(c.STR, H(wire))), text)
        # Characters beyond the first plane travel as two three-byte forms.
        self.assertEqual(c.encode_text('\U0001F600'), H('eda0bdedb880'))

    def test_latin1_packing(self):
        self.assertEqual(c.pack_latin1('\u00e9'), H('c3a9'))
        self.assertEqual(c.pack_latin1('\u0151'), H('c191'))   # reads back as U+0051 on the client
        self.assertEqual(c.pack_latin1('name'), b'name')

    def test_date_time_text(self):
        self.assertEqual(c.format_date_time_text(2011, 2, 1, 3, 4, 5), '1.2.2011 3:04:05')

    def test_player_statistics_order(self):
        wire = c.stats_to_wire(1, 2, 3, 4, 6, 5, 7, 8)
        self.assertEqual(wire, [1, 2, 3, 4, 5, 6, 7, 8])
        self.assertEqual(c.stats_from_wire([1, 2, 3, 4, 5, 6, 7, 8]), [1, 2, 3, 4, 6, 5, 7, 8])


class ListTest(unittest.TestCase):
    def test_integer_lists(self):
        self.assertEqual(field_bytes(c.INT_LIST, []).hex(), '00')
        self.assertEqual(field_bytes(c.INT_LIST, [1, 2]).hex(), '06020101020102')
        self.assertEqual(field_value(c.INT_LIST, H('06020101020102')), [1, 2])

    def test_string_list(self):
        wire = H('090c01610c000c026263')
        self.assertEqual(field_value(c.STR_LIST, wire), [b'a', b'', b'bc'])
        self.assertEqual(field_bytes(c.STR_LIST, [b'a', b'', b'bc']), wire)

    def test_list_refusals(self):
        for kind, wire in [(c.INT_LIST, '03040101'),          # wrong element identifier
                           (c.INT_LIST, '0602010102010203'),  # element longer than the list
                           (c.STR_LIST, '0a0c01610c000c026263')]:  # list longer than the data
            with self.assertRaises(c.CodecError, msg=wire):
                field_value(kind, H(wire))

    def test_item_data_block_is_sixteen_bytes_at_most(self):
        record = [1, 0, bytes(17), 5]
        with self.assertRaises(c.CodecError):
            c.encode_message(87, [[record]])
        wire = c.encode_message(87, [[[1, 0, bytes(16), 5]]])
        self.assertEqual(c.decode_message(wire), (87, [[[1, 0, bytes(16), 5]]]))
        # The same record with a 17-byte block.
        bad = H('bf5720a01e301c800101810100') + H('8211') + bytes(17) + H('830105')
        self.assertEqual(c.frame_size(bad), len(bad))
        with self.assertRaises(c.CodecError):
            c.decode_message(bad)


# Whole messages: (number, field values, expected bytes or None).
GOLDEN = [
    (44, [-1], 'bf2c038001ff'),
    (9, [5], 'a903800105'),
    (28, [], 'bc00'),
    (59, [], 'bf3b00'),
    (2, [b'', 0], 'a2058000810100'),
    (64, [2, b'hi', 7], 'bf400a80010281026869820107'),
    (13, [H('0102')], 'ad0480020102'),
    (38, [64, [5, 6], b''], 'bf260d800140a1060201050201068200'),
    (15, [9, 64, 0, [5], [1], 0], 'af16800109810140820100a303020105a403020101850100'),
    (93, [0x401, []], 'bf5d0680020401a100'),
]


class MessageTest(unittest.TestCase):
    def test_golden_messages_both_ways(self):
        for number, fields, wire in GOLDEN:
            with self.subTest(number=number):
                self.assertEqual(c.encode_message(number, fields).hex(), wire)
                decoded = c.decode_message(H(wire))
                self.assertEqual(decoded[0], number)
                self.assertEqual([v for v in decoded[1] if v is not None], fields)

    def test_message_identifiers(self):
        self.assertEqual(c.encode_message(2, [b'', 0, b'', 0])[:1], H('a2'))
        self.assertEqual(c.encode_message(116, [0, 0, b''])[:2], H('bf74'))

    def test_connect_ack_with_two_fields(self):
        self.assertEqual(c.decode_message(H('a2058000810100')), (2, [b'', 0, None, None]))

    def test_fields_in_any_order_and_refusals(self):
        self.assertEqual(c.decode_message(H('bf40088100800102820100'))[1], [2, b'', 0])
        for wire in ['bf4003830100',          # field number equal to the field count
                     'bf4006800102800103',    # field repeated
                     'bf4003000100',          # universal class field identifier
                     'bf4004800102',          # content longer than the data
                     'bf400380010200',        # bytes after the message
                     'a6020000',              # universal class field in a log-in reply
                     'bf7f00',                # unknown message 127
                     'e20100']:               # not context-specific constructed
            with self.assertRaises(c.CodecError, msg=wire):
                c.decode_message(H(wire))

    def test_long_form_length_of_player_list_request(self):
        wire = c.encode_message(19, [0, 0, 20, b'x' * 130, 0, 0])
        self.assertEqual(wire[:3], H('b38194'))
        self.assertEqual(c.decode_message(wire)[1][3], b'x' * 130)

    def test_long_login_reply_with_three_byte_last_integer(self):
        wire = c.encode_message(6, [5, b't' * 100, b'', b'n' * 30, 0x12345])
        self.assertEqual(wire[1], 0x81)
        self.assertEqual(c.decode_message(wire)[1][4], 0x12345)

    def test_every_message_round_trips(self):
        rng = random.Random(7)

        def sample(kind, depth=0):
            if kind == c.INT:
                return rng.randint(-(1 << 31), (1 << 31) - 1)
            if kind == c.LONG:
                return rng.randint(0, (1 << 63) - 1)
            if kind in (c.STR, c.BYTES):
                return bytes(rng.randrange(256) for _ in range(rng.randrange(4)))
            if isinstance(kind, c.Record):
                return [sample(f.kind, depth + 1) if f.max_size is None else bytes(16) for f in kind.fields]
            return [sample(kind.elem, depth + 1) for _ in range(rng.randrange(3))]

        self.assertEqual(len(c.MESSAGES), 81)
        for number, record in c.MESSAGES.items():
            fields = sample(record)
            wire = c.encode_message(number, fields)
            self.assertEqual(c.frame_size(wire), len(wire))
            self.assertEqual(c.decode_message(wire), (number, fields))

    def test_nesting_is_bounded(self):
        old = c.MAX_DEPTH
        wire = c.encode_message(16, [[], [[1, [1]]], 0])
        try:
            c.MAX_DEPTH = 2
            with self.assertRaises(c.CodecError):
                c.encode_message(16, [[], [[1, [1]]], 0])
            with self.assertRaises(c.CodecError):
                c.decode_message(wire)
        finally:
            c.MAX_DEPTH = old

    def test_frame_size(self):
        self.assertIsNone(c.frame_size(b''))
        self.assertIsNone(c.frame_size(H('bf')))
        self.assertIsNone(c.frame_size(H('bf40')))
        self.assertIsNone(c.frame_size(H('bf4082')))
        self.assertIsNone(c.frame_size(H('bf408201')))
        self.assertEqual(c.frame_size(H('bf40820100')), 5 + 256)
        self.assertEqual(c.frame_size(H('a903')), 5)
        for wire in ['0203', 'bf05', 'bf4080', 'bf408500000001', 'bf40840fffffff']:
            with self.assertRaises(c.CodecError, msg=wire):
                c.frame_size(H(wire))
        with self.assertRaises(c.CodecError):
            c.frame_size(H('ad820800'), limit=1024)

    def test_random_bytes_only_raise_codec_errors(self):
        rng = random.Random(11)
        seeds = [H(wire) for _n, _f, wire in GOLDEN]
        for _ in range(3000):
            if rng.random() < 0.5:
                data = bytes(rng.randrange(256) for _ in range(rng.randrange(40)))
            else:
                data = bytearray(rng.choice(seeds))
                for _ in range(rng.randrange(1, 4)):
                    if data:
                        data[rng.randrange(len(data))] = rng.randrange(256)
            try:
                c.decode_message(bytes(data))
            except c.CodecError:
                pass


class ToolTest(unittest.TestCase):
    def test_json_lines(self):
        tool = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'asn1tool.py')
        lines = [{'op': 'encode', 'msg': 44, 'fields': [-1]},
                 {'op': 'decode', 'hex': 'a2058000810100'},
                 'not json',
                 {'op': 'decode', 'hex': 'bf4003830100'},
                 {'op': 'encode', 'msg': 20, 'fields': [1, 0, 0, [[1, '61', '', '', '', 1, '', [1, 2, 3, 4, 5, 6, 7, 8]]], []]},
                 {'op': 'encode', 'msg': 13, 'fields': ['zz']},
                 '[' * 100000,
                 '\udcff']
        text = '\n'.join(x if isinstance(x, str) else json.dumps(x) for x in lines) + '\n'
        data = text.encode('utf-8', errors='surrogateescape')
        out = subprocess.run([sys.executable, tool], input=data, capture_output=True, timeout=30)
        out.stdout = out.stdout.decode()
        answers = [json.loads(line) for line in out.stdout.splitlines()]
        self.assertEqual(answers[0], {'hex': 'bf2c038001ff'})
        self.assertEqual(answers[1], {'msg': 2, 'fields': ['', 0, None, None]})
        self.assertIn('error', answers[2])
        self.assertIn('error', answers[3])
        self.assertTrue(answers[4]['hex'].startswith('b4'))
        for answer in answers[5:]:
            self.assertIn('error', answer)
        self.assertEqual(len(answers), len(lines))


if __name__ == '__main__':
    unittest.main()
