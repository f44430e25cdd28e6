# The stand-in host's shell in the playbook's test: sh, where a Windows path
# names a file in the host folder (see module_utils/stand_in.py), so that
# fetch reads the host's files as it would over WinRM.
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

from ansible.plugins.shell.sh import ShellModule as ShShellModule  # noqa: E402
from ansible_collections.ansible.windows.plugins.module_utils.stand_in import (  # noqa: E402
    host_path, is_windows_path)


class ShellModule(ShShellModule):
    def join_path(self, *args):
        path = super().join_path(*args)
        return host_path(path, self.get_option('stand_in_host')) if is_windows_path(path) else path
