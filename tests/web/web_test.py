#!/usr/bin/python3
"""quoll-web end to end.

  web_test.py http QUOLL_WEB OUT_DIR     the protocol lines a search request sends, exactly; bad
                                         and hostile requests, each with its 4xx reply and nothing
                                         sent to the engine; the detail lines and limits of a real
                                         search; the game limit, idle games and engine processes
                                         when the server stops or is killed
  web_test.py browser QUOLL_WEB OUT_DIR  Chromium: a game at level 1, a hint with its line, moving
                                         through the game, a set-up analysed and stopped, a shared
                                         link, a review that marks a planted blunder, a phone-sized
                                         window and a crashing brain; screenshots land in OUT_DIR
  web_test.py static FOLDER OUT_DIR      the static build's page (FOLDER: its files and the engine
                                         as WebAssembly) served by a plain static server, no
                                         quoll-web anywhere: the same game, hint, analysis, link
                                         and review in Chromium, and what a file: page says
  web_test.py static-game FOLDER OUT_DIR the same page and server: the game at level 1 alone
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
import threading
import time

SERVER, OUT = sys.argv[2], sys.argv[3]
LINES = [(1, 0), (0, 1), (1, 1), (1, -1)]


def start(*options):
    server = subprocess.Popen([SERVER, '--port', '0', *options], stdout=subprocess.PIPE, text=True)
    atexit.register(server.kill)  # also when a check fails
    return server, int(re.search(r':(\d+)/', server.stdout.readline()).group(1))


def call(port, method, path, body=None, **headers):
    """One request; http.client, so that no proxy of the environment is in the way."""
    sent = {'Host': f'127.0.0.1:{port}', 'Origin': f'http://127.0.0.1:{port}',
            'Content-Type': 'application/json'}
    sent.update({name.replace('_', '-'): value for name, value in headers.items()})
    if body is not None and not isinstance(body, str):
        body = json.dumps(body)
    connection = http.client.HTTPConnection('127.0.0.1', port, timeout=60)
    connection.request(method, path, body, {k: v for k, v in sent.items() if v is not None})
    reply = connection.getresponse()
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
    path = os.path.join(OUT, name)
    with open(path, 'w') as file:
        file.write(text)
    os.chmod(path, 0o755)
    return path


# A brain that tells what it was sent: at each DONE it writes every line since its last answer
# as a MESSAGE line, then always plays 0,0.
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
START_LINES = ['INFO max_memory 67108864', 'START 15', 'INFO timeout_match 0',
               'INFO time_left 2147483647', 'INFO rule 1', 'INFO SHOW_DETAIL 1',
               'INFO max_memory 67108864']


def transcript_test():
    """Each search request as the lines the engine gets, built from the checked fields alone."""
    server, port = start('--engine', write_brain('pbrain-echo', ECHO_BRAIN))
    game = new_game(port)[1]['id']
    path = f'/api/games/{game}'
    # The side to move's stones are the 1 rows; the rows come in turn, the side that began first.
    cases = [  # request, lines sent, reply
        (search([[7, 7], [8, 8]], [[6, 6]], 'white', 300, 6, 5000),
         START_LINES + ['INFO timeout_turn 300', 'INFO MAX_DEPTH 6', 'INFO MAX_NODE 5000',
                        'BOARD', '7,7,2', '6,6,1', '8,8,2', 'DONE'], {'reply': '0,0'}),
        # Limits go out only when they change.
        (search([[7, 7]], [[6, 6]], 'black', 300, 6, 5000),
         ['BOARD', '7,7,1', '6,6,2', 'DONE'], {'reply': '0,0'}),
        (search([[7, 7]], [], 'white', 300, 0, 5000),
         ['INFO MAX_DEPTH 0', 'BOARD', '7,7,2', 'DONE'], {'reply': '0,0'}),
        # Equal counts with white to move: white began.
        (search([[1, 1]], [[2, 2]], 'white', 300, 0, 5000),
         ['BOARD', '2,2,1', '1,1,2', 'DONE'], {'reply': '0,0'}),
        (search([[0, 0]], [], 'white', 300, 0, 5000), ['BOARD', '0,0,2', 'DONE'],
         {'failure': 'The engine played on a taken cell (0,0).'}),
    ]
    for request, lines, reply in cases:
        got, last = think(port, game, request)
        assert got == ['MESSAGE got ' + line for line in lines], (request, got)
        assert {k: v for k, v in last.items() if k != 'ms'} == reply, last
    assert call(port, 'GET', path)[1]['failure'] == 'The engine played on a taken cell (0,0).'
    status, reply = call(port, 'POST', path + '/think', cases[0][0])
    assert status == 409 and 'restart' in reply['error'], reply

    # A restarted engine gets its settings again.
    assert call(port, 'POST', path + '/restart', {}) == (200, {'id': game, 'failure': None})
    base = search([[7, 7]], [], 'white')
    think(port, game, base)
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
        ('wrapping number', json.dumps(base).replace('"maxNodes": 0', '"maxNodes": 18446744073709551615'),
         'maxNodes'),
        ('huge number', json.dumps(base).replace('"maxNodes": 0', '"maxNodes": 18446744073709551617'),
         'maxNodes'),
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
    server.kill()

    # A brain that writes MESSAGE lines without end is too slow, not a search without end.
    chatty = write_brain('pbrain-chatty', '#!/bin/sh\nwhile read -r line; do case "$line" in\n'
                                          '  START*) echo OK;; DONE) while :; do echo MESSAGE; done;; esac; done\n')
    server, port = start('--engine', chatty)
    game = new_game(port)[1]['id']
    lines, last = think(port, game, search([], [], 'black', 200))
    assert lines and last == {'failure': 'The engine did not answer within the time per move plus one second.'}
    assert not engines_of(server)
    server.kill()


def engine_test():
    """The real engine's detail lines through the server, its limits, one search at a time."""
    server, port = start()
    game = new_game(port)[1]['id']
    position = search([[7, 7], [8, 8], [8, 7]], [[6, 6], [6, 7]], 'white', 1000)
    lines, reply = think(port, game, position)
    details = [line.split() for line in lines]
    depths = [int(words[2]) for words in details]
    assert len(depths) >= 3 and depths[:-1] == sorted(set(depths[:-1])) and depths[-1] == depths[-2], lines
    assert details[-1][details[-1].index('pv') + 1] == reply['reply'], (lines, reply)
    # The limits reach the engine: the deepening stops at the depth, the search near the nodes.
    lines, reply = think(port, game, {**position, 'maxDepth': 5})
    assert lines[-1].split()[2] == '5', lines
    lines, reply = think(port, game, {**position, 'maxDepth': 0, 'maxNodes': 3000,
                                      'black': [[7, 7], [8, 8], [9, 9]], 'white': [[6, 6], [9, 7]]})
    assert 3000 <= int(lines[-1].split()[lines[-1].split().index('nodes') + 1]) < 3600, lines

    # A page asks again as soon as it reads a move, before the reply's end: the game is free.
    for _ in range(40):
        connection = http.client.HTTPConnection('127.0.0.1', port, timeout=60)
        connection.request('POST', f'/api/games/{game}/think', json.dumps({**position, 'maxDepth': 4}),
                           {'Host': f'127.0.0.1:{port}', 'Origin': f'http://127.0.0.1:{port}',
                            'Content-Type': 'application/json'})
        reply = connection.getresponse()
        while 'reply' not in json.loads(reply.readline()):
            pass
        assert think(port, game, {**position, 'maxDepth': 4})[1]['reply']
        connection.close()

    # One search at a time on a game; the other waits for none.
    busy = threading.Thread(target=think, args=(port, game, {**position, 'turnMs': 1500}))
    busy.start()
    time.sleep(0.3)
    status, reply = call(port, 'POST', f'/api/games/{game}/think', position)
    assert status == 409 and 'busy' in reply['error'], reply
    busy.join()
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


def http_test():
    transcript_test()
    engine_test()


# ---- The page in Chromium ------------------------------------------------------------------------

def browser(profile, size='1180,900'):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for flag in ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                 '--disable-background-networking', '--disable-component-update', '--disable-sync',
                 '--no-proxy-server', '--window-size=' + size, '--user-data-dir=' + profile]:
        options.add_argument(flag)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)


def page(driver, script):
    return driver.execute_script(script)


def by_id(driver, name):
    return driver.find_element('id', name)


def click_cell(driver, cell):
    driver.find_element('css selector', f'#cells [data-cell="{cell[0]},{cell[1]}"]').click()


def set_value(driver, name, value):
    page(driver, f"const e = document.getElementById('{name}'); e.value = '{value}';"
                 "e.dispatchEvent(new Event('change'))")


def stones(driver, layer='stones'):
    """The stones shown: {(x, y): colour}, and the five's cells."""
    found = page(driver, f"""return [...document.querySelectorAll('#{layer} .stone')].map(
        (s) => [s.dataset.cell, s.dataset.colour, s.classList.contains('five')])""")
    cells = {tuple(map(int, cell.split(','))): colour for cell, colour, _ in found}
    return cells, sorted(tuple(map(int, cell.split(','))) for cell, _, five in found if five)


def line_cells(driver):
    return page(driver, "return [...document.querySelectorAll('#line .stone')].map((s) => s.dataset.cell)")


def settle(driver):
    wait_for(lambda: page(driver, 'return document.body.dataset.state') == 'idle', 30)


def shown(driver):
    return by_id(driver, 'shown').text


def choose(cells, colour):
    """The empty cell that makes the longest line of `colour`; nearer the centre on a tie."""
    def run(x, y, dx, dy):
        n = 0
        while cells.get((x + dx * (n + 1), y + dy * (n + 1))) == colour:
            n += 1
        return n
    empty = [(x, y) for x in range(15) for y in range(15) if (x, y) not in cells]
    return max(empty, key=lambda c: (max(run(*c, dx, dy) + run(*c, -dx, -dy) for dx, dy in LINES),
                                     -abs(c[0] - 7) - abs(c[1] - 6)))


def watch_panel(driver):
    page(driver, """window.depths = []; new MutationObserver(() => window.depths.push(
        Number(document.getElementById('panel').dataset.depth))).observe(
        document.getElementById('panel'), {attributes: true, attributeFilter: ['data-depth']})""")


def level_game(driver):
    """Black against level 1; a hint, undo and moving through the game on the way."""
    from selenium.webdriver.common.keys import Keys
    set_value(driver, 'colour', 'black')
    set_value(driver, 'level', '1')
    by_id(driver, 'new-game').click()
    settle(driver)
    checked = False
    while 'wins' not in by_id(driver, 'status').text:
        cells, _ = stones(driver)
        click_cell(driver, choose(cells, 'black'))
        settle(driver)
        if len(cells) == 6 and not checked:
            checked = True
            by_id(driver, 'undo').click()
            assert len(stones(driver)[0]) == 6, 'undo takes back the person\'s move and the reply'
            # A hint: the panel deepens, and the best line starts on the hinted cell.
            watch_panel(driver)
            by_id(driver, 'hint').click()
            settle(driver)
            depths = page(driver, 'return window.depths')
            assert len(set(depths)) >= 2 and depths == sorted(depths), depths
            hint = page(driver, "return document.querySelector('#stones .hint').dataset.cell")
            assert line_cells(driver)[0] == hint and 'suggests' in by_id(driver, 'status').text
            # Moving through the game from the keyboard, then on from an earlier position.
            body = driver.find_element('tag name', 'body')
            body.send_keys(Keys.HOME)
            assert shown(driver) == 'Move 0 of 6' and not stones(driver)[0]
            body.send_keys(Keys.ARROW_RIGHT, Keys.ARROW_RIGHT)
            by_id(driver, 'forward').click()
            by_id(driver, 'back').click()
            assert shown(driver) == 'Move 2 of 6' and len(stones(driver)[0]) == 2
            free = choose(stones(driver)[0], 'black')
            for accept in (False, True):
                click_cell(driver, free)
                alert = driver.switch_to.alert
                assert '4 later moves' in alert.text
                alert.accept() if accept else alert.dismiss()
                settle(driver)
            assert shown(driver) == 'Move 4 of 4', shown(driver)
    # The five shown is the winner's exact five, as the page's own stones say.
    status = by_id(driver, 'status').text
    cells, five = stones(driver)
    winner = cells[five[0]]
    assert status.startswith(winner.capitalize() + ' wins'), status
    (x, y), (dx, dy) = five[0], (five[1][0] - five[0][0], five[1][1] - five[0][1])
    assert (dx, dy) in LINES and five == [(x + i * dx, y + i * dy) for i in range(5)]
    assert all(cells[c] == winner for c in five)
    assert cells.get((x - dx, y - dy)) != winner != cells.get((x + 5 * dx, y + 5 * dy))
    # Every reply of level 1 stopped at its node limit of 50, as its detail lines say (the
    # engine checks the limit where it reads the clock, so a few more nodes may be searched).
    replies = [item.text for item in driver.find_elements('css selector', '#moves .move')
               if '(engine' in item.text]
    nodes = [int(re.search(r'(\d+) nodes', text).group(1)) for text in replies]
    assert replies and max(nodes) >= 50 and all(n < 100 for n in nodes), replies


def set_up_and_analyse(driver):
    """A position set up by hand, analysed and stopped; the engine then plays on it."""
    set_value(driver, 'colour', 'both')
    by_id(driver, 'edit').click()
    by_id(driver, 'edit-clear').click()
    put = lambda colour, cells: [driver.find_element('css selector', f'input[value="{colour}"]').click()
                                 or click_cell(driver, c) for c in cells]
    put('black', [(0, 0), (1, 0), (2, 0), (3, 0), (4, 0)])
    put('white', [(0, 2), (1, 2), (2, 2), (3, 2), (5, 2)])
    by_id(driver, 'edit-done').click()
    assert by_id(driver, 'status').text == 'Black has five in a row already: A1 B1 C1 D1 E1.'
    by_id(driver, 'edit-clear').click()
    put('black', [(7, 7), (8, 7)])
    put('white', [(7, 8)])
    set_value(driver, 'edit-to-move', 'white')
    by_id(driver, 'edit-done').click()
    assert page(driver, 'return document.body.dataset.state') == 'idle'
    set_value(driver, 'analysis-limit', '5000')
    by_id(driver, 'analyse').click()
    time.sleep(2)
    assert line_cells(driver) and by_id(driver, 'panel-line').text.startswith('Line: ')
    driver.save_screenshot(os.path.join(OUT, 'web-analysis.png'))
    by_id(driver, 'stop').click()
    stopped = time.time()
    settle(driver)
    assert time.time() - stopped < 1, 'Stop ends an analysis within a second'
    assert by_id(driver, 'status').text == 'Analysis stopped.', by_id(driver, 'status').text
    # A click on the line's second stone plays the line out to it.
    line = [tuple(map(int, cell.split(','))) for cell in line_cells(driver)]
    click_cell(driver, line[1])
    assert shown(driver) == 'Move 2 of 2'
    assert stones(driver)[0] == {(7, 7): 'black', (8, 7): 'black', (7, 8): 'white',
                                 line[0]: 'white', line[1]: 'black'}
    # The engine lives on and answers as white.
    set_value(driver, 'colour', 'black')
    settle(driver)
    assert len(stones(driver)[0]) == 6 and shown(driver) == 'Move 3 of 3'


def shared_link(driver, port):
    """The address holds the position and the board's turn: a fresh browser opens the same."""
    by_id(driver, 'back').click()
    by_id(driver, 'turn').click()
    address, expected = driver.current_url, stones(driver)[0]
    assert 'view=turned' in address and 'at=2' in address, address
    profile = tempfile.mkdtemp(prefix='quoll-web-chromium-')
    other = browser(profile)
    try:
        other.get(address)
        assert stones(other)[0] == expected and shown(other) == 'Move 2 of 3'
        assert by_id(other, 'turn').get_attribute('aria-pressed') == 'true'
        assert page(other, "return document.getElementById('colour').value") == 'both'
    finally:
        by_id(driver, 'turn').click()
        other.quit()
        shutil.rmtree(profile, ignore_errors=True)


# A game with one blunder: white's sixth move leaves black's open three on row 8 (G8 H8 I8)
# alone, and black wins by force. Blocking it (E8, F8, J8 or K8) would have held.
BLUNDER_GAME = 'h8 h7 g8 i9 i8 c13 j8 f8 k8'
HOLDS = {'E8', 'F8', 'J8', 'K8'}


def review_game(driver):
    set_value(driver, 'colour', 'both')
    by_id(driver, 'move-text').send_keys('h8 7,6 H8')  # board names and protocol pairs
    by_id(driver, 'set-moves').click()
    assert by_id(driver, 'status').text == 'Move 3 (H8) is on a taken cell.'
    by_id(driver, 'move-text').clear()
    # The game comes as a .psq record, and is saved as the same record.
    record = 'Piskvorky 15x15, 0:0, 0\n' + ''.join(
        f'{ord(move[0]) - 96},{move[1:]},{100 * i}\n' for i, move in enumerate(BLUNDER_GAME.split())) + '-1\n'
    path = os.path.abspath(os.path.join(OUT, 'blunder.psq'))
    with open(path, 'w') as file:
        file.write(record)
    by_id(driver, 'load').send_keys(path)
    wait_for(lambda: shown(driver) == 'Move 9 of 9')
    page(driver, 'const make = URL.createObjectURL; URL.createObjectURL = (blob) => (window.saved = blob, make(blob))')
    by_id(driver, 'save').click()
    assert driver.execute_async_script('window.saved.text().then(arguments[0])') == record
    by_id(driver, 'review').click()
    settle(driver)
    marks = driver.find_elements('css selector', '#moves .mark')
    assert [mark.get_attribute('data-move') for mark in marks] == ['6'], (
        [m.text for m in marks], by_id(driver, 'status').text, by_id(driver, 'review-text').text)
    better = re.search(r'better ([A-O]\d+)', marks[0].text).group(1)
    assert better in HOLDS, marks[0].text
    assert by_id(driver, 'graph').is_displayed()
    assert [p.get_attribute('data-index') for p in driver.find_elements('css selector', '#graph .marked')] == ['6']
    # The mark shows the position before the move, with the better line.
    marks[0].click()
    assert shown(driver) == 'Move 5 of 9'
    first = tuple(map(int, line_cells(driver)[0].split(',')))
    assert chr(65 + first[0]) + str(first[1] + 1) == better


def crash_test():
    from selenium.webdriver.common.keys import Keys
    brain = write_brain('pbrain-crash', '#!/bin/sh\nwhile read -r line; do case "$line" in\n'
                                        '  START*) echo OK;; INFO*) ;; *) exit 3;; esac; done\n')
    server, port = start('--engine', brain)
    profile = tempfile.mkdtemp(prefix='quoll-web-chromium-')
    driver = browser(profile)
    try:
        driver.get(f'http://127.0.0.1:{port}/')
        settle(driver)
        for attempt in range(2):
            if attempt:
                by_id(driver, 'restart').click()
            else:  # played from the keyboard: one cell left of the centre, then Enter
                driver.find_element('css selector', '[data-cell="7,7"]').send_keys(
                    Keys.ARROW_LEFT, Keys.ENTER)
            wait_for(lambda: 'crashed' in by_id(driver, 'status').text)
            assert by_id(driver, 'restart').is_displayed()
            assert stones(driver)[0] == {(6, 7): 'black'}
    finally:
        driver.quit()
        server.terminate()
        shutil.rmtree(profile, ignore_errors=True)


def browser_test():
    started = time.time()
    server, port = start('--idle-seconds', '3')
    profile = tempfile.mkdtemp(prefix='quoll-web-chromium-')
    driver = browser(profile)
    try:
        driver.get(f'http://127.0.0.1:{port}/')
        settle(driver)
        level_game(driver)
        set_up_and_analyse(driver)
        shared_link(driver, port)
        review_game(driver)
        # A game left idle is closed with its engine; the page's next search opens another.
        wait_for(lambda: not engines_of(server))
        set_value(driver, 'analysis-limit', '5000')
        by_id(driver, 'analyse').click()
        time.sleep(1.5)
        # Tall enough for the review's graph under the board.
        driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                               {'width': 1180, 'height': 1050, 'deviceScaleFactor': 1, 'mobile': False})
        page(driver, 'window.scrollTo(0, 0)')
        driver.save_screenshot(os.path.join(OUT, 'web-board.png'))
        driver.execute_cdp_cmd('Emulation.clearDeviceMetricsOverride', {})
        by_id(driver, 'stop').click()
        settle(driver)
        # A phone-sized window: the board fits, and nothing runs off the side.
        driver.set_window_size(375, 812)
        time.sleep(0.3)
        page(driver, 'window.scrollTo(0, 0)')
        width = page(driver, 'return document.documentElement.clientWidth')
        assert page(driver, 'return document.documentElement.scrollWidth') <= width
        assert page(driver, "return document.getElementById('board').getBoundingClientRect().right") <= width
        driver.save_screenshot(os.path.join(OUT, 'web-board-phone.png'))
        # A page that goes away ends its engine.
        assert len(engines_of(server)) == 1
        driver.get('about:blank')
        wait_for(lambda: not engines_of(server))
    except BaseException:
        print('the page\'s console:', *driver.get_log('browser'), sep='\n')
        raise
    finally:
        driver.quit()
        server.terminate()
        shutil.rmtree(profile, ignore_errors=True)
    crash_test()
    print(f'browser part: {time.time() - started:.1f} s')


def serve_folder(folder, log):
    """Python's own static file server on the folder; its request log goes to `log`."""
    server = subprocess.Popen([sys.executable, '-u', '-m', 'http.server', '--bind', '127.0.0.1', '0'],
                              cwd=folder, stdout=subprocess.PIPE, stderr=open(log, 'w'), text=True)
    atexit.register(server.kill)
    return server, int(re.search(r'port (\d+)', server.stdout.readline()).group(1))


def static_test(whole=True):
    started = time.time()
    folder = os.path.abspath(SERVER)
    log = os.path.join(OUT, 'static-server.log')
    server, port = serve_folder(folder, log)
    profile = tempfile.mkdtemp(prefix='quoll-web-chromium-')
    driver = browser(profile)
    try:
        if whole:  # opened from a file, the page says how to open it
            driver.get('file://' + os.path.join(folder, 'index.html'))
            wait_for(lambda: 'Serve its folder over HTTP' in by_id(driver, 'status').text)
        driver.get(f'http://127.0.0.1:{port}/')
        settle(driver)
        assert 'in this page as WebAssembly' in by_id(driver, 'engine-source').text
        level_game(driver)
        if whole:
            set_up_and_analyse(driver)
            shared_link(driver, port)
            review_game(driver)
            driver.save_screenshot(os.path.join(OUT, 'web-static.png'))
    except BaseException:
        print('the page\'s console:', *driver.get_log('browser'), sep='\n')
        raise
    finally:
        driver.quit()
        server.terminate()
        shutil.rmtree(profile, ignore_errors=True)
    requests = open(log).read()
    assert 'quoll-worker.wasm' in requests and '/api/' not in requests, requests
    print(f'static page: {time.time() - started:.1f} s')


{'http': http_test, 'browser': browser_test, 'static': static_test,
 'static-game': lambda: static_test(whole=False)}[sys.argv[1]]()
print('passed')
