#!/usr/bin/env bash
# The bash completion of basewright-cli, called as bash calls it: the words
# of the command line so far (bash splits "--from=hex" into "--from", "="
# and "hex", and keeps an opening quote in the word), the word being
# completed as readline passes it (without an opening quote), and the word
# before it.
#   completion_test.sh COMPLETION-SCRIPT
set -u
source "$1" || exit 1

passed=0 failed=0
# case EXPECTED WORD WORDS...: completes the last of WORDS; EXPECTED is the
# replies joined by "|" (empty: no reply, so bash falls back to file names).
case_() {
    local expected=$1 word=$2
    shift 2
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _basewright_cli basewright-cli "$word" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(IFS='|'; printf '%s' "${COMPREPLY[*]}")
    if [ "$got" = "$expected" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAILED: completing [%s]\n   got: %s\n  want: %s\n' "${COMP_WORDS[*]}" "$got" "$expected" >&2
    fi
}

quoted_all='"Decimal To Hexadecimal"|"Decimal To Binary"|"Decimal To Octal"|"Hexadecimal To Decimal"|"Hexadecimal To Binary"|"Hexadecimal To Octal"|"Binary To Decimal"|"Binary To Hexadecimal"|"Binary To Octal"|"Octal To Decimal"|"Octal To Hexadecimal"|"Octal To Binary"'
form_options='--strict|--bits|--signed|--lower|--prefix|--group|--separator|--width|--field|--delimiter'
all_options="--conversion|--from|--to|--full|--aligned|$form_options|--help|-h|--version"

# Options
case_ "$all_options"                  -       basewright-cli -
case_ '--conversion'                  --con   basewright-cli --con
case_ '--full'                        --fu    basewright-cli --aligned --fu
case_ "--to|--full|--aligned|$form_options|--help|-h|--version" -  basewright-cli --from hex -
case_ "--aligned|$form_options|--help|-h|--version" -  basewright-cli --full --conversion '"Binary To Octal"' -
case_ "--from|--full|--aligned|$form_options|--help|-h|--version" -  basewright-cli --to = oct -
case_ '--strict|--signed|--separator' --s  basewright-cli --s
case_ '--signed|--separator' --s  basewright-cli --strict --s
case_ ''                              -       basewright-cli -- -

# Conversion names: quoted when the word is not, plain inside an open quote
case_ "$quoted_all"                   ''      basewright-cli --conversion ''
case_ '"Octal To Decimal"|"Octal To Hexadecimal"|"Octal To Binary"'  Oct  basewright-cli --conversion Oct
case_ '"Octal To Binary"'             'Octal\ To\ B'  basewright-cli --conversion 'Octal\ To\ B'
case_ 'Binary To Hexadecimal'         'Binary To H'   basewright-cli --conversion '"Binary To H'
case_ 'Hexadecimal To Decimal|Hexadecimal To Binary|Hexadecimal To Octal'  Hex  basewright-cli --conversion "'Hex"
case_ "$quoted_all"                   ''      basewright-cli --conversion =
case_ 'Decimal To Octal'              'Decimal To O'  basewright-cli --conversion = '"Decimal To O'
case_ ''                              xyz     basewright-cli --conversion xyz

# Bases
case_ 'hex'                           he      basewright-cli --from he
case_ 'hex'                           he      basewright-cli --from = he
case_ '3|30|31|32|33|34|35|36'        3       basewright-cli --conversion "Octal To Binary" --to 3
case_ 'dec|hex|bin|oct|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16|17|18|19|20|21|22|23|24|25|26|27|28|29|30|31|32|33|34|35|36' \
                                      ''      basewright-cli --to =

# Values of the new options: "bits" for --width, nothing (and no file
# names) for the other free values
case_ 'bits'                          b       basewright-cli --strict --bits 8 --width b
case_ ''                              ''      basewright-cli --field ''
case_ ''                              ''      basewright-cli --delimiter = ''

# File names: no reply of its own, left to bash's file name completion
case_ ''                              numb    basewright-cli numb
case_ ''                              ''      basewright-cli --full ''
if complete -p basewright-cli | grep -q -- '-o default'; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    echo "FAILED: basewright-cli is not completed with '-o default' (file names)" >&2
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
