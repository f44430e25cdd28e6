#!/usr/bin/python
# Stand-in for ansible.windows.win_file in the playbook's test, for
# state=absent only: removes a file, or a folder with all it holds. See
# module_utils/stand_in.py.
import os
import shutil

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.stand_in import host_path


def main():
    module = AnsibleModule(argument_spec={"path": {"required": True},
                                          "state": {"choices": ["absent"]}})
    path = host_path(module.params["path"])
    existed = os.path.lexists(path)
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path)
    elif existed:
        os.remove(path)
    module.exit_json(changed=existed)


if __name__ == "__main__":
    main()
