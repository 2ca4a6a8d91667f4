# bash completion for pelimor-find: its options, their values, and folders.
_pelimor_find() {
  local current previous
  current="${COMP_WORDS[COMP_CWORD]}"
  previous="${COMP_WORDS[COMP_CWORD-1]}"
  case "$previous" in
    --type)
      mapfile -t COMPREPLY < <(compgen -W "all images audio video" -- "$current")
      return ;;
    --similarity)
      mapfile -t COMPREPLY < <(compgen -W "1 2 3 4" -- "$current")
      return ;;
    --keep)
      mapfile -t COMPREPLY < <(compgen -W "newest oldest shortest-path longest-path first-source largest-file highest-resolution" -- "$current")
      return ;;
    --select-in|--select-in-tree|--reference|--unique-in|--need-dir)
      mapfile -t COMPREPLY < <(compgen -d -- "$current")
      return ;;
    --load|--report|--catalog|--digests-for)
      mapfile -t COMPREPLY < <(compgen -f -- "$current")
      return ;;
    --mask|--min-kb|--exclude|--select-matching|--threads|--undo-action|--machine)
      return ;;
  esac
  if [[ "$current" == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "--type --mask --min-kb --json --exclude --hidden --reference
      --unique-in --report --folders --ignore-names --contained-in --threads --no-cache --help --version --select-in --select-in-tree --keep
      --select-matching --delete --move --trash --link --clone --dry-run --no-journal --keep-folders
      --remove-empty-folders --load --list-actions --undo --undo-action --catalog --machine --digests-for
      --merge --need-dir --similar-pictures --similarity" -- "$current")
  elif [[ " ${COMP_WORDS[*]} " == *" --merge "* ]]; then
    mapfile -t COMPREPLY < <(compgen -f -- "$current")
  else
    mapfile -t COMPREPLY < <(compgen -d -- "$current")
  fi
}
complete -o filenames -F _pelimor_find pelimor-find
