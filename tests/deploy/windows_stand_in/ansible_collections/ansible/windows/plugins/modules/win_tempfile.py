#!/usr/bin/python
# Stand-in for ansible.windows.win_tempfile in the playbook's test, for
# state=directory: a new folder, which only this account can reach, with a
# name that nobody could have taken first, in its %TEMP% unless path names
# another place. See module_utils/stand_in.py.
import os
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.stand_in import (
    ACCOUNT_TEMP, host_path, note_made_folder)


def main():
    module = AnsibleModule(argument_spec={
        "state": {"choices": ["directory"], "required": True},
        "path": {"type": "str", "aliases": ["dest"]},
        "prefix": {"type": "str", "default": "ansible."},
        "suffix": {"type": "str", "default": ""}})
    parent = module.params["path"] or ACCOUNT_TEMP
    os.makedirs(host_path(parent), mode=0o700, exist_ok=True)
    # mkdtemp makes the folder with mode 0700, and fails rather than take
    # one that exists.
    made = tempfile.mkdtemp(module.params["suffix"], module.params["prefix"], host_path(parent))
    path = parent + "\\" + os.path.basename(made)
    note_made_folder(path, module.params["path"])
    module.exit_json(changed=True, path=path)


if __name__ == "__main__":
    main()
