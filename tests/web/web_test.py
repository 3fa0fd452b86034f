#!/usr/bin/python3
"""The board end to end: web_test.py PART QUOLL_WEB|FOLDER OUT_DIR (brains, records, screenshots).

  http         quoll-web over HTTP: the protocol lines of search requests; bad and hostile requests
               refused, nothing sent to the engine; one search at a time; engine processes ended
  browser      the page in Chromium against quoll-web: a game at level 1, hint, browsing, set-up,
               analysis and Stop, a shared link, a review, a phone-sized window, a crashing brain
  static       the static build's page (FOLDER: its files, the engine as WebAssembly) behind
               Python's static file server: the game, hint, analysis and review, and a file: page
  static-game  the same page and server: the game at level 1 alone
"""
import atexit
import http.client
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.keys import Keys

SERVER, OUT = sys.argv[2], sys.argv[3]
LINES = [(1, 0), (0, 1), (1, 1), (1, -1)]


def start(*options):
    server = subprocess.Popen([SERVER, '--port', '0', *options], stdout=subprocess.PIPE, text=True)
    atexit.register(server.kill)  # also when a check fails
    return server, int(re.search(r':(\d+)/', server.stdout.readline()).group(1))


def request(port, method, path, body=None, **headers):
    """One request, its reply's headers read; http.client, so that no proxy is in the way."""
    sent = {'Host': f'127.0.0.1:{port}', 'Origin': f'http://127.0.0.1:{port}', 'Content-Type': 'application/json',
            **{name.replace('_', '-'): value for name, value in headers.items()}}
    body = body if body is None or isinstance(body, str) else json.dumps(body)
    connection = http.client.HTTPConnection('127.0.0.1', port, timeout=60)
    connection.request(method, path, body, {k: v for k, v in sent.items() if v is not None})
    return connection.getresponse()


def call(port, method, path, body=None, **headers):
    reply = request(port, method, path, body, **headers)
    data = reply.read()
    if reply.getheader('Content-Type', '').startswith('application/x-ndjson'):
        return reply.status, [json.loads(line) for line in data.decode().splitlines()]
    return reply.status, json.loads(data) if data.startswith(b'{') else data.decode()


def new_game(port):
    return call(port, 'POST', '/api/games', {})


def search(black, white, to_move, turn_ms=300, depth=0, nodes=0):
    return {'black': black, 'white': white, 'toMove': to_move, 'turnMs': turn_ms,
            'maxDepth': depth, 'maxNodes': nodes}


def think(port, game, body):
    """The engine's MESSAGE lines and its last item (its move or why it failed)."""
    status, items = call(port, 'POST', f'/api/games/{game}/think', body)
    assert status == 200, (status, items)
    return [item['line'] for item in items[:-1]], items[-1]


def engines_of(server):
    tasks = f'/proc/{server.pid}/task'
    return {int(pid) for task in os.listdir(tasks)
            for pid in open(f'{tasks}/{task}/children').read().split()}


def alive(pid):
    try:
        return open(f'/proc/{pid}/stat').read().rsplit(')', 1)[1].split()[0] != 'Z'
    except FileNotFoundError:
        return False


def wait_for(condition, seconds=10):
    end = time.time() + seconds
    while not condition():
        assert time.time() < end, 'timed out'
        time.sleep(0.05)


def write_brain(name, text):
    path = Path(OUT, name)
    path.write_text(text)
    path.chmod(0o755)
    return str(path)


# A brain that writes back at each DONE the lines it got since its last answer, then plays 0,0.
ECHO_BRAIN = '''#!/usr/bin/python3
import sys
seen = []
for line in sys.stdin:
    seen.append(line.rstrip('\\n'))
    if seen[-1] == 'START 15':
        print('OK', flush=True)
    if seen[-1] == 'DONE':
        print(''.join('MESSAGE got %s\\n' % s for s in seen) + '0,0', flush=True)
        seen = []
'''
# The lines of search requests, which the page's own engine must send alike.
SEARCH_LINES = json.loads(Path(__file__).with_name('search_lines.json').read_text())
START_LINES = SEARCH_LINES['start']


def transcript_test():
    """Each search request as the lines the engine gets, built from the checked fields alone."""
    server, port = start('--engine', write_brain('pbrain-echo', ECHO_BRAIN))
    game = new_game(port)[1]['id']
    path = f'/api/games/{game}'
    for i, case in enumerate(SEARCH_LINES['cases']):
        got, last = think(port, game, case['request'])
        assert got == ['MESSAGE got ' + line for line in (START_LINES if i == 0 else []) + case['lines']], (case, got)
        assert {k: v for k, v in last.items() if k != 'ms'} == case['answer'], last
    assert call(port, 'GET', path)[1]['failure'] == 'The engine played on a taken cell (0,0).'
    status, reply = call(port, 'POST', path + '/think', SEARCH_LINES['cases'][0]['request'])
    assert status == 409 and 'restart' in reply['error'], reply

    # A restarted engine gets its settings again.
    assert call(port, 'POST', path + '/restart', {}) == (200, {'id': game, 'failure': None})
    base = search([[7, 7]], [], 'white', 300, 0, 5000)
    assert think(port, game, base)[0] == ['MESSAGE got ' + line for line in START_LINES + [
        'INFO timeout_turn 300', 'INFO MAX_NODE 5000', 'BOARD', '7,7,2', 'DONE']]
    refused = [  # what, body or changes to a good body, reason
        ('not JSON', '{"black":', 'JSON object'),
        ('array', '[1]', 'JSON object'),
        ('missing field', json.dumps({k: v for k, v in base.items() if k != 'maxNodes'}), 'missing field'),
        ('extra field', {'command': 'END'}, 'unknown field'),
        # A long field name, cut in its reason in the middle of a character, broke the reply.
        ('long field name', {'\u20ac' * 20: 0}, 'unknown field'),
        ('colour', {'toMove': 'red'}, 'toMove'),
        ('a line in the colour', {'toMove': 'white\nEND'}, 'toMove'),
        ('short turn', {'turnMs': 99}, 'turnMs'),
        ('long turn', {'turnMs': 60001}, 'turnMs'),
        ('turn as text', {'turnMs': '300'}, 'turnMs'),
        ('fraction', {'turnMs': 300.5}, 'turnMs'),
        ('boolean', {'maxDepth': True}, 'maxDepth'),
        ('negative depth', {'maxDepth': -1}, 'maxDepth'),
        ('deep', {'maxDepth': 101}, 'maxDepth'),
        ('negative nodes', {'maxNodes': -1}, 'maxNodes'),
        ('many nodes', {'maxNodes': 1000000001}, 'maxNodes'),
        ('wrapping number', {'maxNodes': 2**64 - 1}, 'maxNodes'),
        ('huge number', {'maxNodes': 2**64 + 1}, 'maxNodes'),
        ('stones as text', {'black': '7,7'}, 'list'),
        ('off the board', {'black': [[15, 0]], 'white': [], 'toMove': 'white'}, '0..14'),
        ('negative cell', {'black': [[-1, 3]]}, '0..14'),
        ('half a cell', {'black': [[7]]}, '[x, y]'),
        ('three numbers', {'black': [[7, 7, 1]]}, '[x, y]'),
        ('cell as text', {'black': [['7', '7']]}, '[x, y]'),
        ('a cell twice', {'black': [[7, 7], [7, 7]], 'white': [[1, 1]]}, 'two stones on H8'),
        ('a taken cell', {'black': [[7, 7]], 'white': [[7, 7]], 'toMove': 'black'}, 'two stones on H8'),
        ('white to move with two stones fewer', {'black': [[7, 7], [8, 8]]},
         'white to move needs as many stones as black or one fewer'),
        ('black to move with one more', {'toMove': 'black'},
         'black to move needs as many stones as white or one fewer'),
        ('a five', {'black': [[3, 3], [4, 4], [5, 5], [6, 6], [7, 7]],
                    'white': [[0, 14], [2, 14], [4, 14], [6, 14], [8, 14]]},
         'black has five in a row: D4 E5 F6 G7 H8'),
        ('a full board', {'black': [[x, y] for y in range(15) for x in range(15) if (x // 2 + y) % 2 == 0],
                          'white': [[x, y] for y in range(15) for x in range(15) if (x // 2 + y) % 2]},
         'the board is full'),
    ]
    for what, change, reason in refused:
        body = change if isinstance(change, str) else {**base, **change}
        status, reply = call(port, 'POST', path + '/think', body)
        assert status == 400 and reason in reply['error'], (what, status, reply)
    hostile = [  # what, method, path, body, headers, status
        ('foreign Host', 'GET', '/', None, {'Host': f'evil.example:{port}'}, 403),
        ('rebound name', 'GET', path, None, {'Host': f'attacker.example:{port}'}, 403),
        ('other port', 'GET', path, None, {'Host': '127.0.0.1:1'}, 403),
        ('foreign Origin', 'POST', path + '/think', base, {'Origin': 'http://evil.example'}, 403),
        ('no Origin', 'POST', path + '/think', base, {'Origin': None}, 403),
        ('form post', 'POST', path + '/think', 'x=0', {'Content_Type': 'application/x-www-form-urlencoded'}, 415),
        ('plain text', 'POST', path + '/think', json.dumps(base), {'Content_Type': 'text/plain'}, 415),
        ('huge body', 'POST', path + '/think', '{"black":' + ' ' * 300000 + '[]}', {}, 413),
        ('unknown game', 'GET', '/api/games/' + '0' * 32, None, {}, 404),
        ('unknown game search', 'POST', '/api/games/' + 'f' * 32 + '/think', base, {}, 404),
        ('path in the id', 'GET', '/api/games/../../etc/passwd', None, {}, 404),
        ('file path', 'GET', '/../../../etc/passwd', None, {}, 404),
        ('engine named', 'POST', '/api/games', {'engine': '/bin/sh'}, {}, 400),
        ('body on restart', 'POST', path + '/restart', {'x': 1}, {}, 400),
        ('unknown method', 'PUT', path, {}, {}, 404),
    ]
    for what, method, target, body, headers, expected in hostile:
        status, reply = call(port, method, target, body, **headers)
        assert status == expected and reply['error'], (what, status, reply)
    # None of them reached the engine: the next search sends its own lines only.
    assert think(port, game, base)[0] == ['MESSAGE got BOARD', 'MESSAGE got 7,7,2', 'MESSAGE got DONE']
    # The page closes its game when it goes away; later requests find none.
    assert call(port, 'DELETE', path)[0] == 204
    assert call(port, 'POST', path + '/think', base)[0] == 404

    # A brain that writes MESSAGE lines without end is too slow, not a search without end.
    chatty = write_brain('pbrain-chatty', '#!/bin/sh\nwhile read -r line; do case "$line" in\n'
                                          '  START*) echo OK;; DONE) while :; do echo MESSAGE; done;; esac; done\n')
    server, port = start('--engine', chatty)
    game = new_game(port)[1]['id']
    lines, last = think(port, game, search([], [], 'black', 200))
    assert lines and last == {'failure': 'The engine did not answer within the time per move plus one second.'}
    assert not engines_of(server)


def games_test():
    """The real engine: one search at a time on a game, and its process ended with the game."""
    server, port = start()
    game = new_game(port)[1]['id']
    path = f'/api/games/{game}/think'
    position = search([[7, 7], [8, 8], [8, 7]], [[6, 6], [6, 7]], 'white', 1000, 4)
    # A page asks again as soon as it reads a move, before the reply's end: the game is free.
    for _ in range(40):
        early = request(port, 'POST', path, position)
        while 'reply' not in json.loads(early.readline()):
            pass
        assert think(port, game, position)[1]['reply']
        early.close()
    # One search at a time: another is refused at once while the first holds the game (as its
    # reply's headers, which come first, say) and the game serves the next.
    busy = request(port, 'POST', path, {**position, 'maxDepth': 0, 'turnMs': 1500})
    status, reply = call(port, 'POST', path, position)
    assert status == 409 and 'busy' in reply['error'], reply
    busy.read()
    assert think(port, game, position)[1]['reply']
    other = new_game(port)[1]['id']
    server.send_signal(signal.SIGTERM)
    processes = engines_of(server)
    assert len(processes) == 2 and server.wait(10) == 0 and other
    wait_for(lambda: not any(map(alive, processes)))

    # Two games at most; an idle game is closed with its process.
    server, port = start('--max-games', '2', '--idle-seconds', '2')
    ids = [new_game(port)[1]['id'] for _ in range(2)]
    assert new_game(port)[0] == 503
    processes = engines_of(server)
    wait_for(lambda: not any(map(alive, processes)))  # asking would keep the games in use
    assert [call(port, 'GET', f'/api/games/{id}')[0] for id in ids] == [404, 404]
    assert new_game(port)[0] == 201
    # A server that is killed outright takes its engines with it.
    processes = engines_of(server)
    server.kill()
    wait_for(lambda: not any(map(alive, processes)))


# ---- The page in Chromium ------------------------------------------------------------------------

class Board(webdriver.Chrome):
    """Headless Chromium, in a profile folder of its own, on the board page."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix='quoll-web-chromium-')
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        for flag in ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                     '--disable-background-networking', '--disable-component-update', '--disable-sync',
                     '--no-proxy-server', '--window-size=1180,900', '--user-data-dir=' + self.profile]:
            options.add_argument(flag)
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        super().__init__(service=Service('/usr/bin/chromedriver'), options=options)

    def __exit__(self, kind, error, trace):
        if error:
            print('the page\'s console:', *self.get_log('browser'), sep='\n')
        self.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def run(self, script):
        return self.execute_script(script)

    def part(self, name):
        return self.find_element('id', name)

    def choose(self, name, value):
        self.run(f"const e = document.getElementById('{name}'); e.value = '{value}';"
                 "e.dispatchEvent(new Event('change'))")

    def play(self, cell):
        self.find_element('css selector', f'#cells [data-cell="{cell[0]},{cell[1]}"]').click()

    def stones(self):
        """The stones shown: {(x, y): colour}, and the five's cells."""
        found = self.run("""return [...document.querySelectorAll('#stones .stone')].map(
            (s) => [s.dataset.cell, s.dataset.colour, s.classList.contains('five')])""")
        cells = {tuple(map(int, cell.split(','))): colour for cell, colour, _ in found}
        return cells, sorted(tuple(map(int, cell.split(','))) for cell, _, five in found if five)

    def line(self):  # the best line's cells drawn on the board
        found = self.run("return [...document.querySelectorAll('#line .stone')].map((s) => s.dataset.cell)")
        return [tuple(map(int, cell.split(','))) for cell in found]

    def settle(self):
        wait_for(lambda: self.run('return document.body.dataset.state') == 'idle', 30)


def best_cell(cells, colour):
    """The empty cell that makes the longest line of `colour`; nearer the centre on a tie."""
    def run(x, y, dx, dy):  # the stones of `colour` in a row from (x, y), itself left out
        return next(n for n in range(15) if cells.get((x + dx * (n + 1), y + dy * (n + 1))) != colour)
    empty = [(x, y) for x in range(15) for y in range(15) if (x, y) not in cells]
    return max(empty, key=lambda c: (max(run(*c, dx, dy) + run(*c, -dx, -dy) for dx, dy in LINES),
                                     -abs(c[0] - 7) - abs(c[1] - 6)))


def play_black(board, until):
    while not until():
        board.play(best_cell(board.stones()[0], 'black'))
        board.settle()


def level_game(board):
    """Black against level 1; undo, a hint and moving through the game on the way."""
    board.choose('colour', 'black')
    board.choose('level', '1')
    board.part('new-game').click()
    board.settle()
    play_black(board, lambda: len(board.stones()[0]) == 8)
    board.part('undo').click()  # takes back the person's move and the reply: 6 moves left (below)
    # A hint: the panel deepens (a depth at each change) and the line starts on the hinted cell.
    board.run("""window.depths = []; new MutationObserver(() => window.depths.push(
        Number(document.getElementById('panel').dataset.depth))).observe(
        document.getElementById('panel'), {attributes: true, attributeFilter: ['data-depth']})""")
    board.part('hint').click()
    board.settle()
    depths = board.run('return window.depths')
    assert len(set(depths)) >= 2 and depths == sorted(depths), depths
    hint = board.run("return document.querySelector('#stones .hint').dataset.cell")
    assert ','.join(map(str, board.line()[0])) == hint and 'suggests' in board.part('status').text
    # Moving through the game from the keyboard, then on from an earlier position.
    body = board.find_element('tag name', 'body')
    body.send_keys(Keys.HOME)
    assert board.part('shown').text == 'Move 0 of 6' and not board.stones()[0]
    body.send_keys(Keys.ARROW_RIGHT, Keys.ARROW_RIGHT)
    board.part('forward').click()
    board.part('back').click()
    assert board.part('shown').text == 'Move 2 of 6' and len(board.stones()[0]) == 2
    free = best_cell(board.stones()[0], 'black')
    for accept in (False, True):
        board.play(free)
        alert = board.switch_to.alert
        assert '4 later moves' in alert.text
        alert.accept() if accept else alert.dismiss()
        board.settle()
    assert board.part('shown').text == 'Move 4 of 4', board.part('shown').text
    play_black(board, lambda: 'wins' in board.part('status').text)
    # The five shown is the winner's exact five, as the page's own stones say.
    cells, five = board.stones()
    winner = cells[five[0]]
    assert board.part('status').text.startswith(winner.capitalize() + ' wins'), board.part('status').text
    (x, y), (dx, dy) = five[0], (five[1][0] - five[0][0], five[1][1] - five[0][1])
    assert (dx, dy) in LINES and five == [(x + i * dx, y + i * dy) for i in range(5)]
    assert all(cells[c] == winner for c in five)
    assert cells.get((x - dx, y - dy)) != winner != cells.get((x + 5 * dx, y + 5 * dy))
    # Every reply of level 1 stopped at its node limit of 50, as its detail lines say (the
    # engine checks the limit where it reads the clock, so a few more nodes may be searched).
    nodes = [int(n) for n in re.findall(r'(\d+) nodes', board.part('moves').text)]
    assert nodes and max(nodes) >= 50 and all(n < 100 for n in nodes), nodes


def set_up_and_analyse(board):
    """A position set up by hand, analysed and stopped; the engine then plays on it."""
    def put(colour, cells):
        board.find_element('css selector', f'input[value="{colour}"]').click()
        for cell in cells:
            board.play(cell)
    board.choose('colour', 'both')
    board.part('edit').click()
    board.part('edit-clear').click()
    put('black', [(0, 0), (1, 0), (2, 0), (3, 0), (4, 0)])
    put('white', [(0, 2), (1, 2), (2, 2), (3, 2), (5, 2)])
    board.part('edit-done').click()
    assert board.part('status').text == 'Black has five in a row already: A1 B1 C1 D1 E1.'
    board.part('edit-clear').click()
    put('black', [(7, 7), (8, 7)])
    put('white', [(7, 8)])
    board.choose('edit-to-move', 'white')
    board.part('edit-done').click()
    board.part('analyse').click()
    time.sleep(2)
    assert board.line() and board.part('panel-line').text.startswith('Line: ')
    board.part('stop').click()
    stopped = time.time()
    board.settle()
    assert time.time() - stopped < 1, 'Stop ends an analysis within a second'
    assert board.part('status').text == 'Analysis stopped.', board.part('status').text
    # A click on the line's second stone plays the line out to it.
    line = board.line()
    board.play(line[1])
    assert board.part('shown').text == 'Move 2 of 2'
    assert board.stones()[0] == {(7, 7): 'black', (8, 7): 'black', (7, 8): 'white',
                                 line[0]: 'white', line[1]: 'black'}
    # The engine lives on and answers as white.
    board.choose('colour', 'black')
    board.settle()
    assert len(board.stones()[0]) == 6 and board.part('shown').text == 'Move 3 of 3'


def shared_link(board):
    """The address holds the position and the board's turn: a fresh browser opens the same."""
    board.part('back').click()
    board.part('turn').click()
    with Board() as other:
        other.get(board.current_url)
        assert other.stones()[0] == board.stones()[0] and other.part('shown').text == 'Move 2 of 3'
        assert other.part('turn').get_attribute('aria-pressed') == 'true'
        assert other.run("return document.getElementById('colour').value") == 'both'
    board.part('turn').click()


# A game with one blunder: white's sixth move leaves black's open three on row 8 (G8 H8 I8)
# alone, and black wins by force. Blocking it (E8, F8, J8 or K8) would have held.
BLUNDER_GAME = 'h8 h7 g8 i9 i8 c13 j8 f8 k8'
HOLDS = {'E8', 'F8', 'J8', 'K8'}


def review_game(board):
    board.choose('colour', 'both')
    board.part('move-text').send_keys('h8 7,6 H8')  # board names and protocol pairs
    board.part('set-moves').click()
    assert board.part('status').text == 'Move 3 (H8) is on a taken cell.'
    board.part('move-text').clear()
    # The game comes as a .psq record, and is saved as the same record.
    record = 'Piskvorky 15x15, 0:0, 0\n' + ''.join(
        f'{ord(move[0]) - 96},{move[1:]},{100 * i}\n' for i, move in enumerate(BLUNDER_GAME.split())) + '-1\n'
    path = Path(OUT, 'blunder.psq').absolute()
    path.write_text(record)
    board.part('load').send_keys(str(path))
    wait_for(lambda: board.part('shown').text == 'Move 9 of 9')
    board.run('const make = URL.createObjectURL; URL.createObjectURL = (blob) => (window.saved = blob, make(blob))')
    board.part('save').click()
    assert board.execute_async_script('window.saved.text().then(arguments[0])') == record
    board.part('review').click()
    board.settle()
    marks = board.find_elements('css selector', '#moves .mark')
    assert [mark.get_attribute('data-move') for mark in marks] == ['6'], (
        [m.text for m in marks], board.part('status').text, board.part('review-text').text)
    better = re.search(r'better ([A-O]\d+)', marks[0].text).group(1)
    assert better in HOLDS, marks[0].text
    assert board.part('graph').is_displayed()
    assert [p.get_attribute('data-index') for p in board.find_elements('css selector', '#graph .marked')] == ['6']
    # The mark shows the position before the move, with the better line.
    marks[0].click()
    assert board.part('shown').text == 'Move 5 of 9'
    x, y = board.line()[0]
    assert chr(65 + x) + str(y + 1) == better


def crash_test(board):
    """A brain that crashes at its first search, then again once restarted: the game is kept."""
    brain = write_brain('pbrain-crash', '#!/bin/sh\nwhile read -r line; do case "$line" in\n'
                                        '  START*) echo OK;; INFO*) ;; *) exit 3;; esac; done\n')
    port = start('--engine', brain)[1]
    board.get(f'http://127.0.0.1:{port}/')
    board.settle()
    # Played from the keyboard (one cell left of the centre, then Enter), then restarted.
    cell = board.find_element('css selector', '[data-cell="7,7"]')
    for act in (lambda: cell.send_keys(Keys.ARROW_LEFT, Keys.ENTER), board.part('restart').click):
        act()
        wait_for(lambda: 'crashed' in board.part('status').text)
        assert board.part('restart').is_displayed() and board.stones()[0] == {(6, 7): 'black'}


def browser_test():
    server, port = start('--idle-seconds', '3')
    with Board() as board:
        board.get(f'http://127.0.0.1:{port}/')
        board.settle()
        level_game(board)
        set_up_and_analyse(board)
        shared_link(board)
        review_game(board)
        # A game left idle is closed with its engine; the page's next search opens another.
        wait_for(lambda: not engines_of(server))
        board.part('analyse').click()
        time.sleep(1.5)
        # Tall enough for the review's graph under the board.
        board.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                              {'width': 1180, 'height': 1050, 'deviceScaleFactor': 1, 'mobile': False})
        board.run('window.scrollTo(0, 0)')
        board.save_screenshot(os.path.join(OUT, 'web-board.png'))
        board.execute_cdp_cmd('Emulation.clearDeviceMetricsOverride', {})
        board.part('stop').click()
        board.settle()
        assert len(engines_of(server)) == 1
        # A phone-sized window: the board fits, and nothing runs off the side.
        board.set_window_size(375, 812)
        time.sleep(0.3)
        board.run('window.scrollTo(0, 0)')
        width = board.run('return document.documentElement.clientWidth')
        assert board.run('return document.documentElement.scrollWidth') <= width
        assert board.run("return document.getElementById('board').getBoundingClientRect().right") <= width
        board.save_screenshot(os.path.join(OUT, 'web-board-phone.png'))
        # A page that goes away ends its engine.
        board.get('about:blank')
        wait_for(lambda: not engines_of(server))
        crash_test(board)


def static_test(whole=True):
    folder = os.path.abspath(SERVER)
    log = os.path.join(OUT, 'static-server.log')
    # Python's own static file server on the folder, its request log in `log`.
    server = subprocess.Popen([sys.executable, '-u', '-m', 'http.server', '--bind', '127.0.0.1', '0'],
                              cwd=folder, stdout=subprocess.PIPE, stderr=open(log, 'w'), text=True)
    atexit.register(server.kill)
    port = int(re.search(r'port (\d+)', server.stdout.readline()).group(1))
    with Board() as board:
        if whole:  # opened from a file, the page says how to open it
            board.get('file://' + os.path.join(folder, 'index.html'))
            wait_for(lambda: 'Serve its folder over HTTP' in board.part('status').text)
        board.get(f'http://127.0.0.1:{port}/')
        board.settle()
        assert 'in this page as WebAssembly' in board.part('engine-source').text
        level_game(board)
        if whole:
            set_up_and_analyse(board)
            shared_link(board)  # the address alone, on a static host, opens the same position
            review_game(board)
    requests = open(log).read()
    assert 'quoll-worker.wasm' in requests and '/api/' not in requests, requests


PARTS = {'http': [transcript_test, games_test], 'browser': [browser_test], 'static': [static_test],
         'static-game': [lambda: static_test(whole=False)]}
for run_part in PARTS[sys.argv[1]]:
    run_part()
print('passed')
