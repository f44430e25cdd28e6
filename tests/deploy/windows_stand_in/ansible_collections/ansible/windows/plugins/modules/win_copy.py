#!/usr/bin/python
# Stand-in for ansible.windows.win_copy in the playbook's test, into a folder
# that win_tempfile made: a file, or, where src ends with "/", what the folder
# src holds, in one call. See module_utils/stand_in.py.
import shutil

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.stand_in import (
    made_folder, staged_path)


def main():
    module = AnsibleModule(argument_spec={"src": {"required": True},
                                          "dest": {"required": True}})
    src, dest = module.params["src"], module.params["dest"]
    if src.endswith("/"):
        shutil.copytree(src, made_folder(module, dest), dirs_exist_ok=True)
    else:
        shutil.copy(src, staged_path(module, dest))
    module.exit_json(changed=True)


if __name__ == "__main__":
    main()
