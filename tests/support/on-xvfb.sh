#!/usr/bin/env bash
# Runs a command on a private Xvfb and ends the server afterwards:
#
#   tests/support/on-xvfb.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGS...]
#
# The server picks a free display number itself and reports it (-displayfd),
# so runs started at the same moment, by CTest or anyone else on the machine,
# never share or fight over a display. The command's exit status is this
# script's.
set -uo pipefail
screen=${1:?usage: on-xvfb.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGS...]}
shift
[ $# -gt 0 ] || { echo "on-xvfb: no command" >&2; exit 2; }

. "$(dirname "$0")/../e2e/lib.sh"
# No Wine here: a prefix of the caller's is none of this script's business.
unset WINEPREFIX
# shellcheck disable=SC2034  # the name lib.sh's log lines carry
E2E_CASE=on-xvfb
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-xvfb.XXXXXX") || exit 2
trap 'e2e_xvfb_stop; rm -rf "$E2E_TMP"' EXIT
e2e_xvfb_start "${screen##*x}" "${screen%x*}" || exit 2
"$@"
