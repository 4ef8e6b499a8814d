#!/usr/bin/env python3
"""Turns the mailbox's side of a recorded DIDADIT download (a .trace of tests/testdata/didadit) into a
tncsim station script: the mailbox's frames from "#DIDADIT#" on as `send` steps, and `expect #OK#` where
the recording answered."""
import sys


def main(trace_path: str, script_path: str) -> int:
    steps = ['send Hier DB0BOX, es folgt DIDADIT.\\r']
    started = False
    with open(trace_path, encoding='ascii') as trace:
        for line in trace:
            if line[:2] not in ('< ', '> '):
                continue
            data = bytes.fromhex(line[2:])
            started = started or b'#DIDADIT#' in data
            if not started:
                continue
            if line[0] == '<':
                steps.append('send ' + ''.join(f'\\x{byte:02x}' for byte in data))
            elif data.startswith(b'#OK#'):
                steps.append('expect #OK#')
    if not started:
        print(f'{trace_path}: no "#DIDADIT#" in the recording', file=sys.stderr)
        return 1
    with open(script_path, 'w', encoding='ascii') as script:
        script.write('\n'.join(steps) + '\n')
    return 0


if __name__ == '__main__':
    if len(sys.argv) != 3:
        print('usage: didadit_script.py TRACE SCRIPT', file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1], sys.argv[2]))
