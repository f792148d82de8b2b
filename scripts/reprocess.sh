#!/usr/bin/env bash
# Reprocesses an archive: one batch vorncalv run per day directory, in parallel with GNU
# parallel on this machine or over ssh, or as a Slurm job array; gathers each day's exit
# status, stop text and log counts into one CSV summary. See usage() below.
set -uo pipefail

usage() {
  cat <<'EOF'
Usage: reprocess.sh [OPTIONS] DAY_DIR...
       reprocess.sh [OPTIONS] --list FILE

Runs one batch vorncalv per day directory (cd DAY_DIR && vorncalv < ANSWERS.TXT) with
GNU parallel and writes a CSV summary, one line per day:
  directory,status,exit_status,stop_text,end_of_input,missing_input_records,
  rlc_records,rlc_missing,imc_records,imc_missing,res_records,res_missing,
  cvs_records,cvs_missing
A day is "ok" when vorncalv exits 0, stops with "*** END VORNCALV.EXE ***" and its log
ends the run with its record counts; "incomplete" when its input ends in a record cut
short (exit status 3: the products hold every complete record); otherwise "failed".
A failed day never stops the others. end_of_input is vorncalv's line saying where a
batch run met the end of its input (empty when the run ended after its last scene set);
missing_input_records counts the input records found missing or rejected (the log's
NUMBER OF MISSING (NULL) RECORDS, blackbody views included); per product (.RLC, .IMC,
.RES, .CVS) the records the run wrote and how many of them are missing (a scene that
could not be calibrated; .CVS holds a record per input record, blackbody views too);
empty where the run wrote no such product. Each day's result is kept in
DAY_DIR/REPROCESS.CSV; a new run redoes only the days that are not ok or have no result
yet (--all redoes every day).

  --list FILE          read the day directories from FILE, one per line
  -j, --jobs N         days run at once on each machine (default: GNU parallel's, one
                       per core)
  --sshloginfile FILE  run the days on the machines listed in FILE (GNU parallel's
                       option); the directories and vorncalv must be at the same paths
                       there (a shared file system)
  --slurm FILE         write a Slurm job-array script to FILE instead of running: one
                       array task per day to redo; submit it with sbatch, then gather
                       the summary with --collect
  --collect            write the summary from the days' kept results without running
  --summary FILE       the CSV summary (default: reprocess-summary.csv)
  --vorncalv PATH      the program (default: vorncalv on PATH, else build/vorncalv of
                       this source tree)
  --all                redo every day, also those that succeeded before
  -h, --help           this text

Exit status: 0 when every day succeeded, 1 when any failed or has no result, 2 for a
bad command line.
EOF
}

die_usage() {
  echo "reprocess.sh: $1" >&2
  echo "Try 'reprocess.sh --help' for more information." >&2
  exit 2
}

readonly Result=REPROCESS.CSV
readonly Header="directory,status,exit_status,stop_text,end_of_input,missing_input_records,rlc_records,rlc_missing,imc_records,imc_missing,res_records,res_missing,cvs_records,cvs_missing"
readonly Products="RLC IMC RES CVS"
# The fields of a day without a result after the stop text.
readonly NoCounts=",,,,,,,,,,"
readonly EndStop="*** END VORNCALV.EXE ***"

# A CSV field: quoted when it holds a comma, a quote or a line break.
csv_field() {
  local text=$1
  if [[ $text == *[,\"$'\n\r']* ]]; then
    printf '"%s"' "${text//\"/\"\"}"
  else
    printf '%s' "$text"
  fi
}

# The value after the colon of the last line of text holding label.
log_count() {
  local label=$1 text=$2
  printf '%s\n' "$text" | grep -F -- "$label" | tail -n 1 | sed 's/.*://; s/[[:space:]]//g'
}

# The records and missing records of product EXT written by the run whose log lines are
# text, as "records,missing" (",," when it wrote no such product):
#  " PRODUCT abc     .RLC:     6 RECORDS WRITTEN BY THIS RUN,     2 OF THEM MISSING"
product_counts() {
  local ext=$1 text=$2 line
  line=$(printf '%s\n' "$text" | grep -E "^ PRODUCT .*\.$ext: " | tail -n 1)
  if [ -z "$line" ]; then
    printf ','
    return
  fi
  printf '%s' "$line" | sed -E 's/.*: *([0-9]+) RECORDS WRITTEN BY THIS RUN, *([0-9]+) OF THEM MISSING.*/\1,\2/'
}

# Runs one day and keeps its summary line in DAY/REPROCESS.CSV (also printed).
run_day() {
  local day=$1 vorncalv=$2
  local status=failed code="" stop="" missing="" log="" before=0 root end="" counts="" ext
  if [ ! -d "$day" ]; then
    stop="no such directory"
  elif [ ! -r "$day/ANSWERS.TXT" ]; then
    stop="no ANSWERS.TXT"
  else
    root=$(sed -n 3p "$day/ANSWERS.TXT" | tr -d '\r' | sed 's/[[:space:]]*$//')
    log="$day/$root.LOG"
    [ -f "$log" ] && before=$(stat -c %s "$log")
    (cd "$day" && "$vorncalv" < ANSWERS.TXT > vorncalv.out 2> vorncalv.err)
    code=$?
    stop=$(grep '^STOP' "$day/vorncalv.err" | tail -n 1 | sed 's/^STOP *//')
    # Only what this run appended to the log counts.
    local new=""
    [ -f "$log" ] && new=$(tail -c +"$((before + 1))" "$log")
    missing=$(log_count "NUMBER OF MISSING (NULL) RECORDS:" "$new")
    end=$(printf '%s\n' "$new" | grep -E '^VORNCALV -- (END OF INPUT|INPUT INCOMPLETE) ' | tail -n 1)
    for ext in $Products; do counts+=",$(product_counts "$ext" "$new")"; done
    if [ "$code" -eq 0 ] && [ "$stop" = "$EndStop" ] && [ "$counts" != ",,,,,,,," ]; then status=ok; fi
    [ "$code" -eq 3 ] && status=incomplete
    [ -n "$stop" ] || stop="no stop text (see $day/vorncalv.err)"
  fi
  [ -n "$counts" ] || counts=",,,,,,,,"
  local line
  line="$(csv_field "$day"),$status,$code,$(csv_field "$stop"),$(csv_field "$end"),$missing$counts"
  [ -d "$day" ] && printf '%s\n' "$line" > "$day/$Result"
  printf '%s\n' "$line"
}

# True when the day has a kept result that says ok (the line starts with the directory as
# run_day wrote it, quoted when it holds a comma).
day_ok() {
  [ -f "$1/$Result" ] || return 1
  local line
  line=$(head -n 1 "$1/$Result")
  line=${line#"$(csv_field "$1"),"}
  [[ $line == ok,* ]]
}

# The summary of every day from its kept result; sets not_ok to the count of days that
# are not ok.
not_ok=0
collect() {
  local summary=$1 day
  shift
  {
    echo "$Header"
    for day in "$@"; do
      if [ -f "$day/$Result" ]; then
        # The kept line names the directory as it was given when it ran.
        head -n 1 "$day/$Result"
      else
        echo "$(csv_field "$day"),failed,,no result$NoCounts"
      fi
      day_ok "$day" || not_ok=$((not_ok + 1))
    done
  } > "$summary"
}

# The job script expands $day and the task index when it runs, not here.
# shellcheck disable=SC2016
write_slurm() {
  local file=$1 self=$2 vorncalv=$3
  shift 3
  {
    echo "#!/bin/bash"
    echo "#SBATCH --job-name=reprocess"
    echo "#SBATCH --array=1-$#"
    echo "#SBATCH --ntasks=1"
    echo "#SBATCH --cpus-per-task=1"
    echo "# One array task per day; submit with: sbatch $file"
    echo "# then gather the summary with: $self --collect --list <the same days>"
    printf 'days=('
    printf ' %q' "$@"
    printf ' )\n'
    echo 'day=${days[$((SLURM_ARRAY_TASK_ID - 1))]}'
    printf 'exec %q --run-day "$day" --vorncalv %q\n' "$self" "$vorncalv"
  } > "$file"
}

main() {
  local days=() jobs="" sshloginfile="" slurm="" summary=reprocess-summary.csv vorncalv="" all=0 collect_only=0
  local list="" run_one=""
  while [ $# -gt 0 ]; do
    case $1 in
      -h|--help) usage; exit 0 ;;
      --list) [ $# -ge 2 ] || die_usage "option '--list' needs a file"; list=$2; shift ;;
      -j|--jobs) [ $# -ge 2 ] || die_usage "option '$1' needs a number"; jobs=$2; shift
        [[ $jobs =~ ^[1-9][0-9]*$ ]] || die_usage "bad job count '$jobs'" ;;
      -j[1-9]*) jobs=${1#-j}
        [[ $jobs =~ ^[1-9][0-9]*$ ]] || die_usage "bad job count '$jobs'" ;;
      --sshloginfile) [ $# -ge 2 ] || die_usage "option '--sshloginfile' needs a file"; sshloginfile=$2; shift ;;
      --slurm) [ $# -ge 2 ] || die_usage "option '--slurm' needs a file"; slurm=$2; shift ;;
      --summary) [ $# -ge 2 ] || die_usage "option '--summary' needs a file"; summary=$2; shift ;;
      --vorncalv) [ $# -ge 2 ] || die_usage "option '--vorncalv' needs a program"; vorncalv=$2; shift ;;
      --all) all=1 ;;
      --collect) collect_only=1 ;;
      --run-day) [ $# -ge 2 ] || die_usage "option '--run-day' needs a directory"; run_one=$2; shift ;;
      --) shift; days+=("$@"); break ;;
      -*) die_usage "unknown option '$1'" ;;
      *) days+=("$1") ;;
    esac
    shift
  done
  if [ -n "$list" ]; then
    [ -r "$list" ] || die_usage "cannot read the list '$list'"
    local line
    while IFS= read -r line || [ -n "$line" ]; do
      [ -n "$line" ] && days+=("$line")
    done < "$list"
  fi

  local self
  self=$(readlink -f "${BASH_SOURCE[0]}")
  if [ -z "$vorncalv" ]; then
    vorncalv=$(command -v vorncalv || true)
    [ -n "$vorncalv" ] || vorncalv="$(dirname "$self")/../build/vorncalv"
  fi
  [ -x "$vorncalv" ] || die_usage "cannot run vorncalv '$vorncalv' (give it with --vorncalv)"
  vorncalv=$(readlink -f "$vorncalv")

  if [ -n "$run_one" ]; then
    run_day "$run_one" "$vorncalv" > /dev/null
    day_ok "$run_one"
    exit $?
  fi
  [ ${#days[@]} -gt 0 ] || die_usage "no day directories given"

  # Absolute paths, so that every machine and every Slurm task finds the same day.
  local day todo=()
  for day in "${days[@]}"; do
    day=$(readlink -m "$day")
    if [ $collect_only -eq 0 ] && { [ $all -eq 1 ] || ! day_ok "$day"; }; then todo+=("$day"); fi
  done
  local absolute=()
  for day in "${days[@]}"; do absolute+=("$(readlink -m "$day")"); done

  if [ -n "$slurm" ]; then
    if [ ${#todo[@]} -eq 0 ]; then echo "reprocess.sh: every day succeeded before; no job array written"; exit 0; fi
    write_slurm "$slurm" "$self" "$vorncalv" "${todo[@]}"
    echo "reprocess.sh: wrote $slurm for ${#todo[@]} day(s); submit it with sbatch"
    exit 0
  fi

  if [ ${#todo[@]} -gt 0 ]; then
    command -v parallel > /dev/null || { echo "reprocess.sh: GNU parallel is not installed (Debian package 'parallel')" >&2; exit 1; }
    local options=(--will-cite)
    [ -n "$jobs" ] && options+=(-j "$jobs")
    [ -n "$sshloginfile" ] && options+=(--sshloginfile "$sshloginfile")
    # Each day's outcome is read from its kept result, so parallel's own status is not.
    printf '%s\0' "${todo[@]}" | parallel "${options[@]}" -0 -q "$self" --run-day {} --vorncalv "$vorncalv" || true
  fi
  collect "$summary" "${absolute[@]}"
  echo "reprocess.sh: ${#absolute[@]} day(s), ${#todo[@]} run now, $not_ok not ok; summary in $summary"
  [ "$not_ok" -eq 0 ]
}

main "$@"
