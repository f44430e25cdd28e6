#!/usr/bin/python
# Stand-in for ansible.windows.win_copy in the playbook's test, into a folder
# that win_tempfile made: see module_utils/stand_in.py.
import shutil

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.stand_in import staged_path


def main():
    module = AnsibleModule(argument_spec={"src": {"required": True},
                                          "dest": {"required": True}})
    shutil.copy(module.params["src"], staged_path(module, module.params["dest"]))
    module.exit_json(changed=True)


if __name__ == "__main__":
    main()
