# A network share of the benchmark's own, sourced by run_bench.sh: an sshd
# on a free local port with a throwaway host key and authorized key, reached
# through the delay line (DELAY_MS each way) and mounted with sshfs.
#   share_start FOLDER DELAY_LINE DELAY_MS  -> mounts FOLDER/mnt, serving FOLDER/export;
#                                              false with share_why set where it cannot
#   share_remount                           -> mounts it afresh: nothing cached on this side
#   share_stop                              -> unmounts, ends sshd and the delay line
share_why=""
share_mnt=""
share_pids=()
share_mount_args=()

# A local TCP port nobody listens on.
free_port() {
  local port
  for _ in $(seq 50); do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then echo "$port"; return 0; fi
  done
  return 1
}

share_start() {
  local dir=$1 delay_line=$2 delay_ms=$3 sshd_port line_port sshd_bin
  sshd_bin=$(command -v sshd || echo /usr/sbin/sshd)
  for t in ssh ssh-keygen sshfs fusermount3; do
    command -v $t >/dev/null || { share_why="no $t"; return 1; }
  done
  [ -x "$sshd_bin" ] || { share_why="no sshd"; return 1; }
  [ -x "$delay_line" ] || { share_why="no delay_line built"; return 1; }
  [ -e /dev/fuse ] || { share_why="no /dev/fuse"; return 1; }
  mkdir -p "$dir/export" "$dir/mnt" "$dir/ssh"
  chmod 700 "$dir/ssh"
  ssh-keygen -q -t ed25519 -N '' -f "$dir/ssh/host_key" || { share_why="ssh-keygen failed"; return 1; }
  ssh-keygen -q -t ed25519 -N '' -f "$dir/ssh/client_key" || { share_why="ssh-keygen failed"; return 1; }
  cp "$dir/ssh/client_key.pub" "$dir/ssh/authorized_keys"
  sshd_port=$(free_port) && line_port=$(free_port) || { share_why="no free port"; return 1; }
  cat >"$dir/ssh/sshd_config" <<EOF
Port $sshd_port
ListenAddress 127.0.0.1
HostKey $dir/ssh/host_key
AuthorizedKeysFile $dir/ssh/authorized_keys
PidFile $dir/ssh/sshd.pid
StrictModes no
UsePAM no
PasswordAuthentication no
KbdInteractiveAuthentication no
Subsystem sftp internal-sftp
EOF
  # sshd wants its privilege-separation folder when run as root.
  [ "$(id -u)" != 0 ] || mkdir -p /run/sshd
  "$sshd_bin" -D -e -f "$dir/ssh/sshd_config" 2>"$dir/ssh/sshd.log" &
  share_pids+=($!)
  "$delay_line" "$line_port" "$sshd_port" "$delay_ms" >"$dir/ssh/line.log" 2>&1 &
  share_pids+=($!)
  for _ in $(seq 50); do
    grep -q ready "$dir/ssh/line.log" 2>/dev/null && (exec 3<>"/dev/tcp/127.0.0.1/$sshd_port") \
      2>/dev/null && break
    sleep 0.1
  done
  share_mount_args=(-p "$line_port" "$(id -un)@127.0.0.1:$dir/export" "$dir/mnt"
    -o IdentityFile="$dir/ssh/client_key",StrictHostKeyChecking=no
    -o UserKnownHostsFile=/dev/null,LogLevel=ERROR,BatchMode=yes)
  if ! sshfs "${share_mount_args[@]}" 2>"$dir/ssh/sshfs.log"; then
    share_why="sshfs could not mount ($(head -1 "$dir/ssh/sshfs.log"))"
    share_stop
    return 1
  fi
  share_mnt=$dir/mnt
}

# A nightly job meets a destination written long before: the attributes and
# listings sshfs and the kernel kept of it have expired. A fresh mount has
# none, as a mount idle for longer than sshfs's cache (20 s) has none.
share_remount() {
  fusermount3 -u "$share_mnt" && sshfs "${share_mount_args[@]}" 2>>"${share_mnt%/mnt}/ssh/sshfs.log"
}

share_stop() {
  if [ -n "$share_mnt" ]; then fusermount3 -u "$share_mnt" 2>/dev/null || true; fi
  share_mnt=""
  local pid
  for pid in "${share_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${share_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  share_pids=()
}
