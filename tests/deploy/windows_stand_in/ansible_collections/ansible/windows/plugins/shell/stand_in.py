# The stand-in host's shell in the playbook's test: sh, where a Windows path
# names a file in the host folder (see module_utils/stand_in.py), so that
# fetch reads the host's files as it would over WinRM; but a file named as
# TXRESET_STAND_IN_UNFETCHABLE says, if set, it finds missing. Each module that it
# runs, a call that would reach the host, is noted by its file's name, a
# line in the file that TXRESET_STAND_IN_CALLS names.
DOCUMENTATION = '''
name: stand_in
short_description: sh, with the Windows paths of the stand-in host
description:
  - sh, where a Windows path names a file in the stand-in host's folder.
extends_documentation_fragment:
  - shell_common
options:
  stand_in_host:
    description:
      - The folder that stands for the host; by default TXRESET_STAND_IN_HOST's.
    vars:
      - name: txreset_stand_in_host
'''

import os  # noqa: E402

from ansible.plugins.shell.sh import ShellModule as ShShellModule  # noqa: E402
from ansible_collections.ansible.windows.plugins.module_utils.stand_in import (  # noqa: E402
    host_path, is_windows_path)


class ShellModule(ShShellModule):
    def join_path(self, *args):
        path = super().join_path(*args)
        if not is_windows_path(path):
            return path
        host = self.get_option('stand_in_host')
        if path.rpartition("\\")[2] == os.environ.get("TXRESET_STAND_IN_UNFETCHABLE"):
            return host_path(path, host) + ".unfetchable"
        return host_path(path, host)

    def build_module_command(self, env_string, shebang, cmd, arg_path=None):
        with open(os.environ["TXRESET_STAND_IN_CALLS"], "a", encoding="utf-8") as calls:
            calls.write(os.path.basename(cmd) + "\n")
        return super().build_module_command(env_string, shebang, cmd, arg_path)
