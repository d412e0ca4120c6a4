# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for quarrimel. Installed as
# share/bash-completion/completions/quarrimel; works with or without the
# bash-completion package.

# Every option and alias, as `quarrimel -h` lists them, and the lone "-".
_quarrimel_options='-h --help --version -t --target --si --bins --vols
  -v --verbose --min --min-size --max --max-size -B --block-size
  --ss --show-size --sb --show-bytes --hi --hide-items --hs --hide-summary
  -s --sort-by-size -n --no-case -r --sort-reverse -z --null-data -Z --null
  -0 --null-bins --bs --bins-separator --ew --enclose-with
  --dw --delimit-with --di --direct-input --di-b --di-bytes --di-k --di-kb
  --di-m --di-mb --di-g --di-gb --di-t --di-tb --di-si
  --ga-s --ga-seed --ga-rs --ga-random-seed --ga-ng --ga-num-generations
  --ga-ps --ga-pop-size --ga-cp --ga-cross-prob --ga-mp --ga-mutation-prob
  --ga-sp --ga-sel-pressure --ga-theo --ga-theoretical
  --ap --approximate --sp --split -'

# Example targets: a CD, a DVD and a Blu-ray disc. Their "4.7 GB" and
# "25 GB" are powers of 1000, so without --si on the line the sizes that
# fit are given in GiB.
_quarrimel_disc_sizes() {
  local word
  for word in "${COMP_WORDS[@]}"; do
    if [[ $word == --si ]]; then
      echo 700m 4.7g 25g
      return
    fi
  done
  echo 700m 4.3g 23g
}

# Offers COMPREPLY: the candidates that start with the word being completed.
_quarrimel_offer() {
  local cur=$1 candidate
  shift
  COMPREPLY=()
  for candidate in "$@"; do
    [[ $candidate == "$cur"* ]] && COMPREPLY+=("$candidate")
  done
}

_quarrimel() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  case $prev in
    -t | --target | --min | --min-size | --max | --max-size)
      # A size: a number, then one of the unit letters.
      if [[ $cur =~ ^[0-9]*\.?[0-9]+([eE][0-9]+)?$ ]]; then
        COMPREPLY=("${cur}k" "${cur}m" "${cur}g" "${cur}t")
      elif [[ -z $cur && ($prev == -t || $prev == --target) ]]; then
        # shellcheck disable=SC2046  # one word per size
        _quarrimel_offer "" $(_quarrimel_disc_sizes)
      fi
      return
      ;;
    --bs | --bins-separator | --ew | --enclose-with | --dw | --delimit-with)
      # One character; the escapes are the ones that are hard to type,
      # offered with the backslash quoted for the shell.
      _quarrimel_offer "$cur" '\\0' '\\n' '\\t'
      return
      ;;
    --bins | --vols | -B | --block-size | --ga-s | --ga-seed | --ga-ng | \
      --ga-num-generations | --ga-ps | --ga-pop-size | --ga-cp | \
      --ga-cross-prob | --ga-mp | --ga-mutation-prob | --ga-sp | \
      --ga-sel-pressure)
      # A number with no fixed set of values: nothing to offer.
      return
      ;;
  esac

  # After "--" every word is an operand.
  local i
  for ((i = 1; i < COMP_CWORD; ++i)); do
    if [[ ${COMP_WORDS[i]} == -- ]]; then
      _quarrimel_files "$cur"
      return
    fi
  done

  if [[ $cur == -* ]]; then
    # shellcheck disable=SC2086  # the list is split into words on purpose
    _quarrimel_offer "$cur" $_quarrimel_options
  else
    _quarrimel_files "$cur"
  fi
}

# Operands are files and directories (or direct-input records).
_quarrimel_files() {
  if declare -F _filedir >/dev/null; then
    _filedir
  else
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    # shellcheck disable=SC2207  # one candidate per line
    COMPREPLY=($(compgen -f -- "$1"))
  fi
}

complete -F _quarrimel quarrimel
