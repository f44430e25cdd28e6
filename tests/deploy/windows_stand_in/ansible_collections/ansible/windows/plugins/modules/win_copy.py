#!/usr/bin/python
# Stand-in for ansible.windows.win_copy in the playbook's test: see
# win_command.py.
import os
import shutil

from ansible.module_utils.basic import AnsibleModule


def main():
    module = AnsibleModule(argument_spec={"src": {"required": True},
                                          "dest": {"required": True}})
    shutil.copy(module.params["src"], os.path.join(
        os.environ["TXRESET_STAND_IN_HOST"], module.params["dest"].replace("\\", "_")))
    module.exit_json(changed=True)


if __name__ == "__main__":
    main()
